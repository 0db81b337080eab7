#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/XString.h"

namespace KavirelDLL {

// One file of a package: where its record starts, its lengths, how it is stored and its name.
class CSelfExtractInfo {
public:
    enum : unsigned char { TYPE_ZLIB = 1, TYPE_STORED = 2 };

    virtual ~CSelfExtractInfo() = default;

    uint32_t GetDataOffset() const { return m_dataOffset; }
    void SetDataOffset(uint32_t offset) { m_dataOffset = offset; }
    uint32_t GetFileLength() const { return m_fileLength; }
    void SetFileLength(uint32_t length) { m_fileLength = length; }
    uint32_t GetCompressionLength() const { return m_compressionLength; }
    void SetCompressionLength(uint32_t length) { m_compressionLength = length; }
    unsigned char GetCompressionType() const { return m_compressionType; }
    void SetCompressionType(unsigned char type) { m_compressionType = type; }
    CXString GetFilename() const { return m_fileName; }
    void SetFilename(const CXString& name) { m_fileName = name; }

private:
    uint32_t m_dataOffset = 0;
    uint32_t m_fileLength = 0;
    uint32_t m_compressionLength = 0;
    unsigned char m_compressionType = TYPE_ZLIB;
    CXString m_fileName;
};

// A package ("SFX01" first, ".pik" by convention): a list of files, each a zlib stream or, for a name holding
// ".wav", the sound encoded as Ogg Vorbis and restored to WAV when extracted. Nothing in it is ever run.
// Fields are 32-bit little-endian. Entry names are relative engine names ('\'); one that is absolute, has a
// drive letter, goes through ".." or a link out of the target folder is refused.
class CSelfExtract {
public:
    // The longest entry name a package may hold, in bytes.
    static constexpr int kMaxName = 259;
    // zlib cannot expand a stream by more than this factor; a larger claim is damage.
    static constexpr uint32_t kMaxInflateRatio = 1032;

    CSelfExtract() = default;
    explicit CSelfExtract(CXString fileName) : m_fileName(fileName) {}
    virtual ~CSelfExtract();
    CSelfExtract(const CSelfExtract&) = delete;
    CSelfExtract& operator=(const CSelfExtract&) = delete;

    // Reads the entry list; false (and an empty list) for a missing, foreign or damaged package.
    bool ReadTOC();
    // Extracts one entry below folder (created when missing). A failed entry leaves no file behind.
    bool ExtractOne(int index, CXString folder);
    // Every entry in order, going on after a failure; true when every one succeeded.
    bool ExtractFiles(CXString folder);
    // Adds the files of a folder tree as zlib entries named folder + '\' + their path below it.
    void AddDirectory(CXString folder);
    // Writes the listed entries to packageName (the first argument is not used). Fails, leaving no package,
    // when a listed file cannot be read, a name is too long or unsafe, or an encoder fails.
    bool CreateArchive(CXString unused, CXString packageName);
    // Forgets the package's name and every entry.
    void Flush();

    CXString GetFileName() const { return m_fileName; }
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // Null outside the list.
    CSelfExtractInfo* GetEntry(int index) const;
    // 0, ERR_FILE_NOT_FOUND, ERR_FILE_DAMAGED, ERR_FILE_WRITE or ERR_CODEC_FAILED (a sound the encoder
    // refused) for the last failure.
    int LastError() const { return m_lastError; }

    // A name an entry may carry: not empty, relative, no drive letter, no "..", at most kMaxName bytes.
    static bool isSafeEntryName(const CXString& name);
    // A name holding ".wav" (exactly that case) is a sound stored as Ogg Vorbis.
    static bool isSoundName(const CXString& name);

    // The sound codec, from a WAV file to an Ogg Vorbis file and back (false when it fails). The sound
    // folder supplies it once, when the library loads; without it every sound entry fails.
    struct SSoundCodec {
        bool (*encode)(const char* wavPath, const char* oggPath) = nullptr;
        bool (*decode)(const char* oggPath, const char* wavPath) = nullptr;
    };
    static void setSoundCodec(SSoundCodec codec) { s_soundCodec = codec; }

private:
    bool fail(int code);

    CXString m_fileName;
    std::vector<std::unique_ptr<CSelfExtractInfo>> m_entries;
    int m_lastError = 0;

    static SSoundCodec s_soundCodec;
};

} // namespace KavirelDLL
