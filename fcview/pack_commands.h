// The commands that write F&C files: encode (pictures from PNG), pack (a VFS
// archive from files) and replace (an archive with some members replaced).
#pragma once
#include <string>
#include <vector>

namespace fcview {

int Encode(const std::vector<std::string>& args);
int Pack(const std::vector<std::string>& args);
int Replace(const std::vector<std::string>& args);

} // namespace fcview
