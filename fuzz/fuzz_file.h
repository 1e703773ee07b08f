// The readers take file names, so each input goes through a file of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

inline std::string WriteFuzzFile(const char* suffix, const std::uint8_t* data, std::size_t size)
{
    const std::string name = "zorvane-fuzz-" + std::to_string(::getpid()) + suffix;
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    return name;
}
