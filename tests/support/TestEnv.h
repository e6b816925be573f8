// Shared helpers of the test executables.
//
// The test main gives every test process private XDG folders under a fresh
// temporary folder, so no test touches the real user's files, and removes
// them at exit.
#pragma once

#include <string>
#include <vector>

namespace testenv {

// The private temporary root of this test process (exists for the whole run).
const std::string& TempRoot();
// A new empty folder under TempRoot(), unique per call.
std::string MakeTempDir(const std::string& hint = "dir");
// The data root the build assembled (TASTRA_DATA_ROOT), the source tree and
// the folder of the built executables.
std::string DataRoot();
std::string SourceDir();
std::string BinDir();

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// Runs a program with arguments, waits for it, returns its exit code
// (128 + signal when it was killed); stdout and stderr are captured when the
// pointers are given. extraEnv entries (NAME=value) replace the test's own.
int RunProcess(const std::vector<std::string>& argv, std::string* out = nullptr, std::string* err = nullptr,
               const std::vector<std::string>& extraEnv = {});

}  // namespace testenv
