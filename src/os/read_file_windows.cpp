#include "os/read_file.h"

#include <windows.h>

#include <cctype>
#include <filesystem>

namespace zorvane::os {

namespace {

// A device namespace path, or a name Windows keeps for a device in every
// folder (COM1, CON, NUL, ..., with any extensions: NUL.tar.gz is NUL):
// opening it could raise a serial port's lines.
bool namesADevice(const std::string& path)
{
    if (path.rfind("\\\\.\\", 0) == 0)
        return true;
    const std::string name = std::filesystem::path(path).filename().string();
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (stem == reserved)
            return true;
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}

FileRead failed(DWORD error)
{
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return {FileReadResult::Missing, {}, 0, "not found"};
    return {FileReadResult::Unreadable, {}, 0, "Windows error " + std::to_string(error)};
}

} // namespace

FileRead ReadRegularFile(const std::string& path, std::uintmax_t limit)
{
    if (path.empty())
        return failed(ERROR_FILE_NOT_FOUND);
    if (namesADevice(path))
        return {FileReadResult::NotAFile, {}, 0, "a device"};
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failed(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return {FileReadResult::NotAFile, {}, 0, "a folder"};
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return failed(::GetLastError());
    FileRead read{FileReadResult::Read, {}, 0, {}};
    LARGE_INTEGER size{};
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        read = {FileReadResult::NotAFile, {}, 0, "a device"};
    } else if (!::GetFileSizeEx(file, &size)) {
        read = failed(::GetLastError());
    } else if (static_cast<std::uintmax_t>(size.QuadPart) > limit) {
        read = {FileReadResult::TooLarge, {}, static_cast<std::uintmax_t>(size.QuadPart), {}};
    } else {
        char chunk[65536];
        while (true) {
            DWORD got = 0;
            if (!::ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
                read = failed(::GetLastError());
                break;
            }
            if (got == 0)
                break;
            read.bytes.append(chunk, got);
            if (read.bytes.size() > limit) {   // it grew while being read
                read = {FileReadResult::TooLarge, {}, read.bytes.size(), {}};
                break;
            }
        }
    }
    ::CloseHandle(file);
    return read;
}

} // namespace zorvane::os
