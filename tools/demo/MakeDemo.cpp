// Makes a small workspace in which Quillon runs end to end without the game.
//
//     quillon-demo <folder> [--head-fix] [--scale N]
//
// With --head-fix the configuration starts the headless head/neck seam fix; --scale multiplies
// every texture's edge.
#include "samples/DemoWorkspace.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    bool headFix = false;
    int scale = 1;
    bool usage = argc < 2;
    for (int i = 2; i < argc && !usage; ++i) {
        const std::string argument = argv[i];
        if (argument == "--head-fix") {
            headFix = true;
        } else if (argument == "--scale" && i + 1 < argc) {
            scale = std::atoi(argv[++i]);
            usage = scale < 1 || scale > 8;
        } else {
            usage = true;
        }
    }
    if (usage) {
        std::cerr << "usage: quillon-demo <folder> [--head-fix] [--scale N]" << std::endl;
        return 2;
    }
    std::error_code error;
    fs::create_directories(argv[1], error);
    if (!quillon::MakeDemoWorkspace(argv[1], headFix, scale)) {
        std::cerr << "quillon-demo: could not write the workspace in " << argv[1] << std::endl;
        return 1;
    }
    std::cout << "Demo workspace ready in " << argv[1] << std::endl;
    return 0;
}
