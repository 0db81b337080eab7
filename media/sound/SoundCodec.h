#pragma once
#include "media/sound/WaveChunks.h"

namespace KavirelDLL {

class CDataBuffer;
class CFile;
class CWindow;

// Decodes a whole WAV file into PCM samples for a static sound. The table is indexed by the WAVE format tag:
// [0] none, [1] PCM, [2] ADPCM.
class CSoundCodec {
public:
    CSoundCodec() = default;
    virtual ~CSoundCodec();
    CSoundCodec(const CSoundCodec&) = delete;
    CSoundCodec& operator=(const CSoundCodec&) = delete;

    // Drops the decoded copy.
    virtual void flush();
    // From the file's start; leaves no data when the file is not a sound the codec decodes.
    virtual void decode(CFile* file) = 0;
    virtual CWaveFormat* getDesc() = 0;
    CDataBuffer* getBufferIfc() { return m_data; }

    static void init_codecs();
    static void done_codecs();
    // Null for a tag without a codec (and for every tag while the table is not built).
    static CSoundCodec* getCodec(int tag);
    static constexpr int kCodecs = 3;

protected:
    CDataBuffer* m_data = nullptr;
    static CSoundCodec** codecs;
};

class CSoundCodec_PCM : public CSoundCodec {
public:
    void decode(CFile* file) override;
    CWaveFormat* getDesc() override { return &m_format; }

private:
    CWaveFormat m_format;
};

// Compressed WAV (Microsoft ADPCM and whatever else the platform's sound-file reader takes), read by path, so
// only a loose file decodes: an entry of the big file gives no data.
class CSoundCodec_ADPCM : public CSoundCodec {
public:
    void decode(CFile* file) override;
    CWaveFormat* getDesc() override { return &m_format; }

    // The reader is linked in, so these only mark it usable; decode() initialises it when needed.
    static void initialize(CWindow* window);
    static void done();
    static bool isLoaded() { return loaded; }

private:
    CWaveFormat m_format;
    static bool loaded;
};

} // namespace KavirelDLL
