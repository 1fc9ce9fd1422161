// Where an edition of the game keeps what a player's setup adds to it: its INIs in
// "My Games\<edition>" below the documents folder, and plugins.txt in "<edition>" below the local
// application data folder. On Windows these are the user's own folders. On Linux the game runs
// under Wine or Proton, so they are looked for in the prefixes it likely runs in, for the user
// "steamuser" (Proton's) or any user found there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class Edition { Original, Special };

// The folder name the edition uses below "My Games" and below the local application data.
const char* EditionFolderName(Edition edition);

// The user's folders, from the environment; tests make their own.
struct UserFolders {
    std::string Documents;    // Windows: the documents folder
    std::string LocalAppData; // Windows: the local application data folder
    std::string Home;         // Linux: the home folder
    std::string WinePrefix;   // Linux: $WINEPREFIX, empty when unset
    std::string User;         // Linux: $USER
};
UserFolders UserFoldersFromEnvironment();

enum class UserFolderKind { MyGames, LocalAppData };

// The existing folders of that kind for the edition, most likely first. `nearby` are native
// folders of the player's setup (the data folder, the Mod Organizer 2 instance): on Linux the
// prefixes that hold them, and the Proton prefix of the Steam library that holds them, come
// before $WINEPREFIX (else ~/.wine) and the Proton prefixes of every Steam library.
std::vector<std::string> FindUserFolders(Edition edition, UserFolderKind kind,
                                         const std::vector<std::string>& nearby,
                                         const UserFolders& user);

// The edition whose data folder (native) this is: from Mod Organizer 2's game name when it is
// given, else from the game's program beside the data folder, else from the archives in it.
Edition DetectEdition(const std::string& nativeDataFolder, std::string_view managerGameName);

} // namespace quillon
