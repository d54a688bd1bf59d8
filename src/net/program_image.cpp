#include "net/program_image.h"

#include <algorithm>
#include <vector>

#include "core/text.h"
#include "net/md5.h"

namespace mrvn {

namespace {

uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }
uint32_t Le32(const uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }

constexpr size_t kLfanewAt = 0x3C;
constexpr size_t kCoffBytes = 24;  // "PE\0\0" and the file header
constexpr size_t kSectionBytes = 40;

bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

}  // namespace

bool IsCompleteProgramImage(const uint8_t* head, size_t headSize, uint64_t fileSize) {
    headSize = static_cast<size_t>(std::min<uint64_t>(headSize, fileSize));
    if (headSize < kLfanewAt + 4 || head[0] != 'M' || head[1] != 'Z') return false;
    const uint64_t pe = Le32(head + kLfanewAt);
    if (pe + kCoffBytes > headSize) return false;
    if (head[pe] != 'P' || head[pe + 1] != 'E' || head[pe + 2] != 0 || head[pe + 3] != 0) return false;
    const uint32_t sections = Le16(head + pe + 6);
    const uint32_t optionalBytes = Le16(head + pe + 20);
    const uint64_t table = pe + kCoffBytes + optionalBytes;
    if (sections == 0 || table + uint64_t{sections} * kSectionBytes > headSize) return false;
    for (uint32_t i = 0; i < sections; ++i) {
        const uint8_t* s = head + table + uint64_t{i} * kSectionBytes;
        const uint64_t rawSize = Le32(s + 16);
        const uint64_t rawAt = Le32(s + 20);
        if (rawSize != 0 && rawAt + rawSize > fileSize) return false;
    }
    return true;
}

uint32_t CertificateTableBytes(const uint8_t* head, size_t headSize) {
    if (headSize < kLfanewAt + 4 || head[0] != 'M' || head[1] != 'Z') return 0;
    const uint64_t pe = Le32(head + kLfanewAt);
    if (pe + kCoffBytes + 2 > headSize) return 0;
    if (head[pe] != 'P' || head[pe + 1] != 'E' || head[pe + 2] != 0 || head[pe + 3] != 0) return 0;
    const uint64_t optional = pe + kCoffBytes;
    const uint32_t optionalBytes = Le16(head + pe + 20);
    // The data directories follow the fixed part of the optional header, which is longer for PE32+.
    const uint32_t magic = Le16(head + optional);
    const uint64_t countAt = optional + (magic == 0x20B ? 108 : magic == 0x10B ? 92 : 0);
    if (countAt == optional || countAt + 4 > optional + optionalBytes || countAt + 4 > headSize) return 0;
    constexpr uint32_t kSecurityEntry = 4;
    if (Le32(head + countAt) <= kSecurityEntry) return 0;
    const uint64_t entry = countAt + 4 + uint64_t{kSecurityEntry} * 8;
    if (entry + 8 > optional + optionalBytes || entry + 8 > headSize) return 0;
    return Le32(head + entry + 4);
}

bool InspectProgramFile(FileSource& files, const std::wstring& path, ProgramFileFacts& out) {
    const FileHandle file = files.OpenRead(path);
    if (!file) return false;
    std::vector<uint8_t> head;
    head.reserve(kProgramHeadBytes);
    Md5 md5;
    uint64_t size = 0;
    std::vector<uint8_t> buffer(64 * 1024);
    bool ok = false;
    for (;;) {
        uint32_t got = 0;
        if (!files.Read(file, buffer.data(), static_cast<uint32_t>(buffer.size()), got)) break;
        if (got == 0) {
            ok = true;
            break;
        }
        got = std::min<uint32_t>(got, static_cast<uint32_t>(buffer.size()));
        md5.Update(buffer.data(), got);
        const size_t keep = std::min<size_t>(got, kProgramHeadBytes - head.size());
        head.insert(head.end(), buffer.begin(), buffer.begin() + keep);
        size += got;
    }
    files.Close(file);
    if (!ok) return false;
    out.complete = IsCompleteProgramImage(head.data(), head.size(), size);
    out.md5Hex = HexLower(md5.Final());
    return true;
}

bool KeyHasLocalForm(const std::wstring& key, size_t digitsChars) {
    if (digitsChars > 32 || key.size() != 32) return false;
    const size_t hexChars = 32 - digitsChars;
    for (size_t i = 0; i < key.size(); ++i) {
        const wchar_t c = key[i];
        if (i < hexChars ? !IsHex(c) : !(c >= L'0' && c <= L'9')) return false;
    }
    return true;
}

bool ReleaseMatchesKey(const std::wstring& md5Hex, const std::wstring& serverKey, size_t digitsChars) {
    if (!KeyHasLocalForm(serverKey, digitsChars)) return true;
    const size_t hexChars = 32 - digitsChars;
    return md5Hex.size() == 32 && EqualsNoCase(md5Hex.substr(0, hexChars), serverKey.substr(0, hexChars));
}

}  // namespace mrvn
