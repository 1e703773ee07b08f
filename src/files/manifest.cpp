#include "files/manifest.h"

#include <filesystem>

#include "files/sha256.h"
#include "files/text_files.h"

namespace zorvane::files {

namespace {

constexpr std::size_t kSha256Digits = 64;

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The name a manifest and a configuration give a file, compared alike:
// "./" and redundant separators dropped.
std::string comparable(const std::string& name)
{
    std::string normal = std::filesystem::path(name).lexically_normal().generic_string();
    while (normal.rfind("./", 0) == 0)
        normal.erase(0, 2);
    return normal;
}

// sha256sum marks a name holding a backslash or a line feed with a leading
// backslash and escapes those two.
std::optional<std::string> unescape(const std::string& name)
{
    std::string plain;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            plain += name[i];
            continue;
        }
        if (i + 1 == name.size())
            return std::nullopt;
        const char next = name[++i];
        if (next == '\\')
            plain += '\\';
        else if (next == 'n')
            plain += '\n';
        else
            return std::nullopt;
    }
    return plain;
}

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

const ManifestEntry* Manifest::find(const std::string& name) const
{
    std::string wanted = comparable(name);
    const std::filesystem::path path(name);
    if (path.is_absolute() && !folder.empty()) {
        const std::filesystem::path inside = path.lexically_normal().lexically_relative(folder);
        if (!inside.empty() && *inside.begin() != "..")
            wanted = comparable(inside.string());
    }
    const ManifestEntry* found = nullptr;
    for (const ManifestEntry& entry : entries)
        if (entry.name == wanted)
            found = &entry;
    return found;
}

std::optional<ManifestProblem> Manifest::problemWith(const std::string& name, const std::string& sha) const
{
    const std::string listed = std::filesystem::path(fileName).filename().string();
    const ManifestEntry* entry = find(name);
    if (entry == nullptr)
        return ManifestProblem{"unlisted", name + ": not listed in " + listed};
    // As sha256sum -c checks every line, a name listed twice must match both.
    for (const ManifestEntry& other : entries)
        if (other.name == entry->name && other.sha256 != sha)
            return ManifestProblem{"changed", name + ": SHA-256 " + sha + " read, " + listed + " line " +
                                                  std::to_string(other.line) + " lists " + other.sha256};
    return std::nullopt;
}

std::variant<Manifest, std::string> ParseManifest(std::string fileName, std::string bytes)
{
    Manifest manifest;
    manifest.fileName = std::move(fileName);
    manifest.sha256 = Sha256Hex(bytes);

    TextStream stream = TextStream::FromText(manifest.fileName, bytes);
    while (!stream.AtEndOfStream()) {
        const long number = stream.Line();
        std::string line = stream.ReadLine();
        const auto where = [&] { return manifest.fileName + " line " + std::to_string(number) + ": "; };
        if (line.empty() || line[0] == '#')
            continue;
        const bool escaped = line[0] == '\\';
        if (escaped)
            line.erase(0, 1);
        if (line.size() < kSha256Digits + 3 || line[kSha256Digits] != ' ' ||
            (line[kSha256Digits + 1] != ' ' && line[kSha256Digits + 1] != '*'))
            return where() + "not a line of a SHA-256 hash, two characters and a file name";
        for (std::size_t i = 0; i < kSha256Digits; ++i)
            if (!isHex(line[i]))
                return where() + "the SHA-256 holds a character that is not a hexadecimal digit";
        std::optional<std::string> name = line.substr(kSha256Digits + 2);
        if (escaped && !(name = unescape(*name)))
            return where() + "the file name's escapes are not \\\\ or \\n";
        manifest.entries.push_back({lower(line.substr(0, kSha256Digits)), comparable(*name), number});
    }
    manifest.bytes = std::move(bytes);
    return manifest;
}

std::variant<Manifest, std::string> ReadManifest(const std::string& fileName, const std::filesystem::path& folder)
{
    const std::string path = InFolder(folder, fileName);
    std::variant<std::string, FileFault> read = ReadFile(path, fileName);
    if (const FileFault* fault = std::get_if<FileFault>(&read))
        return fault->text;
    std::variant<Manifest, std::string> manifest = ParseManifest(fileName, std::move(std::get<std::string>(read)));
    if (Manifest* parsed = std::get_if<Manifest>(&manifest))
        parsed->folder = std::filesystem::absolute(path).lexically_normal().parent_path().string();
    return manifest;
}

} // namespace zorvane::files
