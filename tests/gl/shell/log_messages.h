#pragma once
// The messages of a Log_File.txt as written: each line's 23-character time field and "--"
// stripped, the text left in its code page.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tv::test {

inline std::vector<std::string> LogFileMessages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string bytes = ss.str();
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find("\r\n", pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        out.push_back(line.size() > 25 ? line.substr(25) : line);
        pos = end + 2;
    }
    return out;
}

}  // namespace tv::test
