#include "scratch_file.h"

#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

ScratchFile::ScratchFile(const char* suffix)
{
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error) / ("corvale-fuzz-" + std::to_string(getpid()));
    fs::create_directories(base, error);
    m_path = base / (std::string("input") + suffix);
    m_folder = base / "out";
}

ScratchFile::~ScratchFile()
{
    std::error_code ignored;
    fs::remove_all(m_path.parent_path(), ignored);
}

bool ScratchFile::Write(const std::uint8_t* data, std::size_t size) const
{
    std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out.flush());
}
