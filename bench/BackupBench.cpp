// The head fix runs in a fork of the bench with threads of its own (a fork keeps the shared pool
// without its threads), so that only the session's switch differs between the variants. Before
// every run the data folder is put back as the game installed it and Quillon's folder removed, so
// each run replaces the player's files as a first run does. The variants alternate, and each
// ratio is taken within one round, so that the machine's load falls on both sides alike.
#include "bench/BackupBench.h"

#include "bench/BenchSupport.h"
#include "samples/DemoWorkspace.h"
#include "workflow/AutoHeadFix.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace quillon {

namespace {

namespace fs = std::filesystem;

// Wall seconds of one head fix in a child process; backups on or off.
double HeadFixSeconds(const fs::path& workspace, bool keepBackups) {
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(workspace.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout)) {
            std::_Exit(127);
        }
        TaskPool pool(std::max(1u, std::thread::hardware_concurrency()));
        BlendSession session;
        session.Pool = &pool;
        session.KeepBackups = keepBackups;
        session.LoadConfiguration([] { return std::optional<std::string>(); });
        session.StartEngine();
        std::_Exit(RunAutoHeadFix(session));
    }
    int status = 0;
    waitpid(child, &status, 0);
    Require(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The data folder as installed, and nothing of Quillon's in either folder.
void Reset(const fs::path& workspace) {
    fs::remove_all(workspace / "Data");
    fs::remove_all(workspace / "Output");
    fs::copy(workspace / "Installed", workspace / "Data", fs::copy_options::recursive);
}

// The configuration without <TexOutputPath>: the output folder is the data folder.
void OutputToData(const fs::path& workspace) {
    std::ifstream in(workspace / "Config.xml");
    std::string config((std::istreambuf_iterator<char>(in)), {});
    in.close();
    const std::size_t start = config.find("  <TexOutputPath>");
    Require(start != std::string::npos);
    config.erase(start, config.find('\n', start) + 1 - start);
    std::ofstream(workspace / "Config.xml", std::ios::trunc) << config;
}

} // namespace

void BenchBackups(int runs) {
    const fs::path elsewhere = BenchFolder("backups-elsewhere");
    const fs::path data = BenchFolder("backups-data");
    for (const fs::path& workspace : {elsewhere, data}) {
        Require(MakeDemoWorkspace(workspace, true, 2));
        fs::copy(workspace / "Data", workspace / "Installed", fs::copy_options::recursive);
    }
    OutputToData(data);
    std::vector<double> dataOn, dataOff, otherOn, otherOff, again, dataRatio, otherRatio;
    for (int run = 0; run < runs; ++run) {
        Reset(data);
        dataOn.push_back(HeadFixSeconds(data, true));
        // A second run over its own outputs: it starts from the originals, and finds the bytes
        // it would write there already.
        again.push_back(HeadFixSeconds(data, true));
        Reset(data);
        dataOff.push_back(HeadFixSeconds(data, false));
        Reset(elsewhere);
        otherOn.push_back(HeadFixSeconds(elsewhere, true));
        Reset(elsewhere);
        otherOff.push_back(HeadFixSeconds(elsewhere, false));
        dataRatio.push_back(dataOn.back() / dataOff.back());
        otherRatio.push_back(otherOn.back() / otherOff.back());
    }
    std::printf("head fix, demo workspace at twice its size (Color DXT1 2048, Normal DXT5 2048, "
                "Specular RGB 1024, two sub sets), full chains, wall time:\n");
    const auto spread = [](const std::vector<double>& ratios) {
        return std::make_pair(*std::min_element(ratios.begin(), ratios.end()),
                              *std::max_element(ratios.begin(), ratios.end()));
    };
    std::printf("  output = data folder: with backups and journal %.3f s, without %.3f s; "
                "with / without, median of the rounds' ratios %.3f (from %.3f to %.3f)\n",
                Median(dataOn), Median(dataOff), Median(dataRatio), spread(dataRatio).first,
                spread(dataRatio).second);
    std::printf("  output elsewhere:     with backups and journal %.3f s, without %.3f s; "
                "with / without %.3f (from %.3f to %.3f)\n",
                Median(otherOn), Median(otherOff), Median(otherRatio), spread(otherRatio).first,
                spread(otherRatio).second);
    std::printf("  again over its own outputs (data folder): %.3f s\n\n", Median(again));
    fs::remove_all(elsewhere);
    fs::remove_all(data);
}

} // namespace quillon
