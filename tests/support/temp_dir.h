#pragma once
// A private temporary folder for one test, removed with everything in it afterwards.

#include <cstdint>
#include <string>
#include <vector>

namespace lumisett::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending with "/".
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

    void Write(const std::string& name, const std::string& text) const;
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string Read(const std::string& name) const; // empty when missing
    bool Exists(const std::string& name) const;
    // Copies a file (for example a plug-in library) into the folder under `name`.
    void CopyIn(const std::string& source, const std::string& name) const;

private:
    std::string path_;
};

} // namespace lumisett::test
