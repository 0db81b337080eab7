#include "core/SelfExtract.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "core/Compression.h"
#include "core/Log.h"
#include "core/XObject.h"
#include "platform/Files.h"

namespace KavirelDLL {

CSelfExtract::SSoundCodec CSelfExtract::s_soundCodec;

namespace {

const char kMagic[5] = {'S', 'F', 'X', '0', '1'};
constexpr size_t kChunk = 1 << 20;
// type, file length, stored length, name length.
constexpr uint64_t kMinRecord = 1 + 4 + 4 + 4;

bool readU32(CPlatformFile& file, uint32_t& value) {
    unsigned char bytes[4];
    if (file.read(bytes, 4) != 4) return false;
    value = uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
            (uint32_t(bytes[3]) << 24);
    return true;
}

bool writeU32(CPlatformFile& file, uint32_t value) {
    unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                              static_cast<unsigned char>(value >> 16),
                              static_cast<unsigned char>(value >> 24)};
    return file.write(bytes, 4) == 4;
}

std::string text(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

CXString withSeparator(const CXString& folder) {
    if (!folder.IsString()) return CXString(".\\");
    return isSeparator(folder.lastChar()) ? folder : folder + "\\";
}

// Inflates or copies one entry's stored bytes from the package's current position into target, checking
// that the data gives exactly the file length.
bool decodeEntry(CPlatformFile& package, const CSelfExtractInfo& entry, CPlatformFile& target) {
    // Buffers no larger than the entry needs, and not cleared: each byte is read or inflated before use.
    const size_t inSize = std::min<size_t>(kChunk, std::max<uint32_t>(entry.GetCompressionLength(), 1));
    const auto in = std::make_unique_for_overwrite<unsigned char[]>(inSize);
    uint32_t left = entry.GetCompressionLength();
    if (entry.GetCompressionType() == CSelfExtractInfo::TYPE_STORED) {
        if (entry.GetFileLength() != entry.GetCompressionLength()) return false;
        while (left > 0) {
            size_t n = std::min<size_t>(left, inSize);
            if (package.read(in.get(), n) != n || target.write(in.get(), n) != n) return false;
            left -= static_cast<uint32_t>(n);
        }
        return true;
    }
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    const size_t outSize = std::min<size_t>(kChunk, size_t(entry.GetFileLength()) + 1);
    const auto out = std::make_unique_for_overwrite<unsigned char[]>(outSize);
    uint64_t produced = 0;
    int status = Z_OK;
    bool good = true;
    while (good && status != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (left == 0) break; // the stream is cut short
            size_t n = std::min<size_t>(left, inSize);
            if (package.read(in.get(), n) != n) {
                good = false;
                break;
            }
            left -= static_cast<uint32_t>(n);
            z.next_in = in.get();
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = out.get();
        z.avail_out = static_cast<uInt>(outSize);
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) good = false;
        size_t got = outSize - z.avail_out;
        produced += got;
        if (produced > entry.GetFileLength()) good = false;
        if (good && got && target.write(out.get(), got) != got) good = false;
    }
    inflateEnd(&z);
    return good && status == Z_STREAM_END && produced == entry.GetFileLength();
}

} // namespace

CSelfExtract::~CSelfExtract() { Flush(); }

void CSelfExtract::Flush() {
    m_fileName = CXString();
    m_entries.clear();
}

CSelfExtractInfo* CSelfExtract::GetEntry(int index) const {
    return index >= 0 && index < GetCount() ? m_entries[static_cast<size_t>(index)].get() : nullptr;
}

bool CSelfExtract::fail(int code) {
    m_lastError = code;
    return false;
}

bool CSelfExtract::isSafeEntryName(const CXString& name) {
    const std::string s = text(name);
    if (s.empty() || s.size() > static_cast<size_t>(kMaxName) || s.find('\0') != std::string::npos)
        return false;
    if (isSeparator(s[0]) || (s.size() >= 2 && s[1] == ':')) return false;
    size_t pos = 0;
    while (pos <= s.size()) {
        size_t end = s.find_first_of("\\/", pos);
        if (end == std::string::npos) end = s.size();
        if (s.compare(pos, end - pos, "..") == 0 && end - pos == 2) return false;
        pos = end + 1;
    }
    return !isSeparator(s.back());
}

bool CSelfExtract::isSoundName(const CXString& name) { return text(name).find(".wav") != std::string::npos; }

bool CSelfExtract::ReadTOC() {
    m_entries.clear();
    m_lastError = 0;
    CPlatformFile file;
    if (!m_fileName.IsString() || file.open(text(m_fileName), EOpenMode::read) != EPlatformError::none) {
        logMessage("package \"%s\" cannot be opened", m_fileName.GetBuffer());
        return fail(ERR_FILE_NOT_FOUND);
    }
    const int64_t size = file.size();
    auto damaged = [&](const char* why) {
        logMessage("package \"%s\" is damaged: %s", m_fileName.GetBuffer(), why);
        m_entries.clear();
        return fail(ERR_FILE_DAMAGED);
    };
    char magic[5];
    if (file.read(magic, 5) != 5 || std::memcmp(magic, kMagic, 5) != 0) return damaged("not a package");
    uint32_t count = 0;
    if (!readU32(file, count)) return damaged("no entry count");
    if (size > int64_t(UINT32_MAX)) return damaged("larger than 4 GiB");
    uint64_t position = 9;
    if (uint64_t(count) * kMinRecord > uint64_t(size) - position) return damaged("more entries than bytes");
    m_entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto entry = std::make_unique<CSelfExtractInfo>();
        entry->SetDataOffset(static_cast<uint32_t>(position));
        unsigned char type = 0;
        uint32_t fileLength = 0, stored = 0, nameLength = 0;
        if (file.read(&type, 1) != 1 || !readU32(file, fileLength) || !readU32(file, stored))
            return damaged("an entry is cut short");
        if (type != CSelfExtractInfo::TYPE_ZLIB && type != CSelfExtractInfo::TYPE_STORED)
            return damaged("an entry of an unknown type");
        position += 9;
        if (uint64_t(stored) + 4 > uint64_t(size) - position)
            return damaged("an entry's data runs past the end");
        if (type == CSelfExtractInfo::TYPE_ZLIB && uint64_t(fileLength) > uint64_t(stored) * kMaxInflateRatio)
            return damaged("an entry claims more than its data can inflate to");
        if (!file.seek(stored, 1)) return damaged("an entry's data cannot be skipped");
        position += stored;
        if (!readU32(file, nameLength)) return damaged("an entry's name is cut short");
        position += 4;
        if (nameLength > uint32_t(kMaxName) || nameLength > uint64_t(size) - position)
            return damaged("an entry's name is too long");
        std::string name(nameLength, '\0');
        if (nameLength && file.read(name.data(), nameLength) != nameLength)
            return damaged("an entry's name is cut short");
        if (name.find('\0') != std::string::npos) return damaged("an entry's name holds a zero byte");
        position += nameLength;
        entry->SetCompressionType(type);
        entry->SetFileLength(fileLength);
        entry->SetCompressionLength(stored);
        entry->SetFilename(CXString(name.c_str()));
        m_entries.push_back(std::move(entry));
    }
    return true;
}

bool CSelfExtract::ExtractOne(int index, CXString folder) {
    CSelfExtractInfo* entry = GetEntry(index);
    if (!entry) {
        logMessage("package \"%s\" has no entry %d", m_fileName.GetBuffer(), index);
        return fail(ERR_FILE_NOT_FOUND);
    }
    const CXString name = entry->GetFilename();
    const CXString root = withSeparator(folder);
    if (!isSafeEntryName(name)) {
        logMessage("package \"%s\": entry \"%s\" would leave the folder it is extracted to; refused",
                   m_fileName.GetBuffer(), name.GetBuffer());
        return fail(ERR_FILE_DAMAGED);
    }
    const bool sound = isSoundName(name);

    // The folders of the name, created only where they stay inside the target folder (no link leads out).
    std::string native;
    if (CPlatformFiles::createFolder(text(root)) != EPlatformError::none) {
        logMessage("package \"%s\": folder \"%s\" cannot be created", m_fileName.GetBuffer(),
                   root.GetBuffer());
        return fail(ERR_FILE_WRITE);
    }
    const int slash = std::max(name.FindLast('\\'), name.FindLast('/'));
    if (slash > 0) {
        const CXString parent = name.Left(slash);
        EPlatformError error = CPlatformFiles::resolveInside(text(root), text(parent), native, false);
        if (error == EPlatformError::none) error = CPlatformFiles::createFolder(text(root + parent));
        if (error == EPlatformError::none)
            error = CPlatformFiles::resolveInside(text(root), text(parent), native, true);
        if (error != EPlatformError::none) {
            logMessage("package \"%s\": the folder of entry \"%s\" cannot be made inside \"%s\": %s",
                       m_fileName.GetBuffer(), name.GetBuffer(), root.GetBuffer(), platformErrorText(error));
            return fail(error == EPlatformError::escapesRoot ? ERR_FILE_DAMAGED : ERR_FILE_WRITE);
        }
    }
    EPlatformError error = CPlatformFiles::resolveInside(text(root), text(name), native, false);
    if (error != EPlatformError::none) {
        logMessage("package \"%s\": entry \"%s\" cannot be placed inside \"%s\": %s", m_fileName.GetBuffer(),
                   name.GetBuffer(), root.GetBuffer(), platformErrorText(error));
        return fail(error == EPlatformError::escapesRoot ? ERR_FILE_DAMAGED : ERR_FILE_WRITE);
    }

    CPlatformFile package;
    if (package.open(text(m_fileName), EOpenMode::read) != EPlatformError::none) {
        logMessage("package \"%s\" cannot be opened again", m_fileName.GetBuffer());
        return fail(ERR_FILE_NOT_FOUND);
    }
    // Written beside the target under a name no other extraction uses (another copy of the program may
    // extract the same package) and renamed over it once whole, so a failed entry leaves no partial file.
    const CXString target = root + name;
    const CXString part = target + CPlatformFiles::temporarySuffix(".kvpart").c_str();
    CPlatformFile out;
    // A link left where the part file goes is removed, not followed out of the folder.
    CPlatformFiles::removeFile(text(part));
    if (out.open(text(part), EOpenMode::write) != EPlatformError::none) {
        logMessage("package \"%s\": \"%s\" cannot be written", m_fileName.GetBuffer(), target.GetBuffer());
        return fail(ERR_FILE_WRITE);
    }
    bool good = package.seek(int64_t(entry->GetDataOffset()) + 9, 0);
    bool damaged = good && !decodeEntry(package, *entry, out);
    good = good && !damaged && !out.failed();
    good = out.close() == EPlatformError::none && good;
    if (good && sound) {
        const CXString wav = target + CPlatformFiles::temporarySuffix(".kvwav").c_str();
        good = s_soundCodec.decode && s_soundCodec.decode(part.GetBuffer(), wav.GetBuffer()) &&
               CPlatformFiles::renameEntry(text(wav), text(part), true) == EPlatformError::none;
        if (!good) {
            damaged = true;
            CPlatformFiles::removeFile(text(wav));
        }
    }
    if (good) good = CPlatformFiles::renameEntry(text(part), text(target), true) == EPlatformError::none;
    if (!good) {
        CPlatformFiles::removeFile(text(part));
        logMessage("package \"%s\": entry \"%s\" %s; nothing written", m_fileName.GetBuffer(),
                   name.GetBuffer(), damaged ? "is damaged" : "could not be written");
        return fail(damaged ? ERR_FILE_DAMAGED : ERR_FILE_WRITE);
    }
    return true;
}

bool CSelfExtract::ExtractFiles(CXString folder) {
    bool all = true;
    for (int i = 0; i < GetCount(); ++i) all = ExtractOne(i, folder) && all;
    return all;
}

void CSelfExtract::AddDirectory(CXString folder) {
    const CXString base = folder.IsString() && !isSeparator(folder.lastChar()) ? folder + "\\" : folder;
    std::vector<SFolderEntry> listing;
    if (CPlatformFiles::listFolder(text(base.IsString() ? base : CXString(".")), "", listing) !=
        EPlatformError::none) {
        logMessage("folder \"%s\" cannot be listed for a package", base.GetBuffer());
        return;
    }
    for (const SFolderEntry& found : listing) {
        if (found.name.empty() || found.name.back() == '.') continue;
        const CXString path = base + found.name.c_str();
        if (found.isFolder) {
            // Deeper names could not be stored; this also ends a walk that a link leads round in a circle.
            if (path.GetLength() < kMaxName) AddDirectory(path);
            continue;
        }
        auto entry = std::make_unique<CSelfExtractInfo>();
        entry->SetFilename(path);
        m_entries.push_back(std::move(entry));
    }
}

bool CSelfExtract::CreateArchive(CXString, CXString packageName) {
    m_lastError = 0;
    const CXString part = packageName + CPlatformFiles::temporarySuffix(".kvpart").c_str();
    CPlatformFile out;
    if (packageName.IsString()) CPlatformFiles::removeFile(text(part));
    if (!packageName.IsString() || out.open(text(part), EOpenMode::write) != EPlatformError::none) {
        logMessage("package \"%s\" cannot be written", packageName.GetBuffer());
        return fail(ERR_FILE_WRITE);
    }
    int code = 0;
    auto refuse = [&](int error, const char* why, const CXString& name) {
        logMessage("package \"%s\" is not made: \"%s\" %s", packageName.GetBuffer(), name.GetBuffer(), why);
        code = error;
        return false;
    };
    bool good = out.write(kMagic, 5) == 5 && writeU32(out, static_cast<uint32_t>(m_entries.size()));
    for (size_t i = 0; good && i < m_entries.size(); ++i) {
        CSelfExtractInfo& entry = *m_entries[i];
        const CXString name = entry.GetFilename();
        if (!isSafeEntryName(name)) {
            good = refuse(ERR_FILE_WRITE, "is not a name a package may hold", name);
            break;
        }
        CXString source = name;
        const bool sound = isSoundName(name);
        if (sound) {
            source = packageName + CPlatformFiles::temporarySuffix(".kvogg").c_str();
            if (!s_soundCodec.encode || !s_soundCodec.encode(name.GetBuffer(), source.GetBuffer())) {
                good = refuse(ERR_CODEC_FAILED, "could not be encoded", name);
                break;
            }
            entry.SetCompressionType(CSelfExtractInfo::TYPE_STORED);
        }
        std::vector<uint8_t> data;
        EPlatformError error = CPlatformFiles::readWholeFile(text(source), data, UINT32_MAX);
        if (sound) CPlatformFiles::removeFile(text(source));
        if (error != EPlatformError::none) {
            good = refuse(ERR_FILE_NOT_FOUND, "cannot be read", name);
            break;
        }
        std::vector<uint8_t> stored;
        const std::vector<uint8_t>* body = &data;
        if (entry.GetCompressionType() == CSelfExtractInfo::TYPE_ZLIB) {
            uLongf length = compressBound(static_cast<uLong>(data.size()));
            stored.resize(length);
            if (compress2(stored.data(), &length, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK ||
                length > UINT32_MAX) {
                good = refuse(ERR_CODEC_FAILED, "could not be compressed", name);
                break;
            }
            stored.resize(length);
            body = &stored;
        }
        entry.SetFileLength(static_cast<uint32_t>(data.size()));
        entry.SetCompressionLength(static_cast<uint32_t>(body->size()));
        const unsigned char type = entry.GetCompressionType();
        good = out.write(&type, 1) == 1 && writeU32(out, entry.GetFileLength()) &&
               writeU32(out, entry.GetCompressionLength()) &&
               (body->empty() || out.write(body->data(), body->size()) == body->size()) &&
               writeU32(out, static_cast<uint32_t>(name.GetLength())) &&
               out.write(name.GetBuffer(), static_cast<size_t>(name.GetLength())) == size_t(name.GetLength());
        if (!good) refuse(ERR_FILE_WRITE, "could not be written", name);
    }
    good = !out.failed() && out.close() == EPlatformError::none && good;
    if (good) good = CPlatformFiles::renameEntry(text(part), text(packageName), true) == EPlatformError::none;
    if (!good) {
        CPlatformFiles::removeFile(text(part));
        if (!code) logMessage("package \"%s\" could not be written", packageName.GetBuffer());
        return fail(code ? code : ERR_FILE_WRITE);
    }
    return true;
}

} // namespace KavirelDLL
