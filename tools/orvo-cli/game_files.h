// The saved-game file as orvo-cli uses it: the game's own save and restore,
// remembering why one failed so that the message can say.
#pragma once
#include <string>

bool saveReporting(const char* path);
bool restoreReporting(const char* path);
// What went wrong in the last save or restore since the last call: "cannot
// save to PATH: reason" or "PATH not restored: reason"; empty when nothing did.
std::string takeFileProblem();
