// Animation files and drawing, each against its peer in the same run:
//   load of a 100-image 200 x 200 "NVP" file (code 0, code 2) against reading its bytes through CFile into
//   one buffer (plus, for code 2, LZO decoding of the same blocks); CAnimo6::redraw of one image (code 0,
//   code 4) against the same picture drawn as a plain CGraphicsObject, and of an image that changes at each
//   draw (code 4 against code 0).
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "core/Compression.h"
#include "core/File.h"
#include "core/Log.h"
#include "media/anim/Animo6.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {

constexpr int kImages = 100, kSide = 200;
constexpr size_t kRaw = size_t(kSide) * kSide * 2;

// A picture with runs and gradients, as drawn sprites have.
void paint(CGraphicsObject& g, int seed) {
    auto* p = reinterpret_cast<uint16_t*>(g.GetDataPtr());
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            p[y * kSide + x] = uint16_t(((x + seed) / 8) * 0x0841 + (y / 16) * 0x20);
}

struct Files {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "kavirel-animation-bench";
    CXString raw, packed;
    std::vector<std::string> blocks; // the LZO blocks of the code-2 file

    Files() {
        std::filesystem::create_directories(folder);
        CAnimo plain(nullptr), lzo(nullptr);
        for (int i = 0; i < kImages; ++i) {
            CGraphicsObject g(nullptr, CXSize(kSide, kSide), 16);
            paint(g, i);
            plain.AddFrame(&g);
            int n = 0;
            std::unique_ptr<char[]> block(CLZWCompression2(g.GetDataPtr(), int(kRaw)).compress(n));
            blocks.emplace_back(block.get(), size_t(n) + 8);
            CFrame* f = lzo.AddFrame(&g);
            char* copy = new char[blocks.back().size()];
            std::memcpy(copy, blocks.back().data(), blocks.back().size());
            f->SetDataPtr(copy);
            f->SetCompression(COMPRESSION_LZO);
            f->setCompressedSize(int(kRaw), int(blocks.back().size()));
        }
        plain.SetBpp(16);
        lzo.SetBpp(16);
        raw = write(plain, "RAW.ANN");
        packed = write(lzo, "LZO.ANN");
    }
    ~Files() { std::filesystem::remove_all(folder); }

    CXString write(CAnimo& a, const char* name) {
        std::vector<uint8_t> bytes;
        a.save3(bytes, COMPRESSION_NONE);
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return CXString(CPlatformFiles::toEngineName((folder / name).string()).c_str());
    }
};

Files& files() {
    // Each load writes its two log lines; the benchmark measures the reading.
    static const LogHook quiet = setLogHook([](const std::string&) {});
    static Files f;
    return f;
}

size_t readWhole(const CXString& name) {
    CFile file(nullptr, name, CFile::MODE_READ | CFile::MODE_BINARY);
    std::vector<char> buffer(size_t(file.Length()));
    return size_t(file.Read(buffer.data(), int(buffer.size())));
}

} // namespace

static void BM_ReadFileBytes_Code0(benchmark::State& state) {
    files();
    for (auto _ : state) benchmark::DoNotOptimize(readWhole(files().raw));
}
BENCHMARK(BM_ReadFileBytes_Code0)->Unit(benchmark::kMillisecond);

static void BM_LoadAnimation_Code0(benchmark::State& state) {
    for (auto _ : state) {
        CAnimo a(nullptr, files().raw);
        benchmark::DoNotOptimize(a.GetNOF());
    }
}
BENCHMARK(BM_LoadAnimation_Code0)->Unit(benchmark::kMillisecond);

static void BM_ReadFileBytesAndDecodeLzo_Code2(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(readWhole(files().packed));
        for (std::string& block : files().blocks) {
            std::unique_ptr<char[]> out(CLZWCompression2(block.data(), int(block.size())).decompress());
            benchmark::DoNotOptimize(out.get());
        }
    }
}
BENCHMARK(BM_ReadFileBytesAndDecodeLzo_Code2)->Unit(benchmark::kMillisecond);

static void BM_LoadAnimation_Code2(benchmark::State& state) {
    for (auto _ : state) {
        CAnimo a(nullptr, files().packed);
        benchmark::DoNotOptimize(a.GetNOF());
    }
}
BENCHMARK(BM_LoadAnimation_Code2)->Unit(benchmark::kMillisecond);

namespace {

void drawPlain(benchmark::State& state) {
    CGraphicsObject screen(nullptr, CXSize(800, 600), 16);
    CGraphicsObject g(nullptr, CXSize(kSide, kSide), 16);
    paint(g, 3);
    g.SetPosition(100, 100);
    for (auto _ : state) {
        g.redraw(&screen);
        benchmark::ClobberMemory();
    }
}

// With changing, each draw shows the other of two images, so a packed one is never drawn twice running.
void drawAnimation(benchmark::State& state, _compression code, bool changing = false) {
    CGraphicsObject screen(nullptr, CXSize(800, 600), 16);
    CAnimo6 a(nullptr);
    for (int i = 0; i < 2; ++i) {
        CGraphicsObject g(nullptr, CXSize(kSide, kSide), 16);
        paint(g, 3 + i);
        g.SetPosition(100, 100);
        a.AddFrame(&g)->Compress(code);
    }
    _animoEvent e;
    e.frames = 2;
    a.AddEvent(e);
    a.GetEventInfo(0)->images = {0, 1};
    a.SetEventFrame(0, 0);
    int frame = 0;
    for (auto _ : state) {
        if (changing) a.SetEventFrame(0, frame ^= 1);
        a.redraw(&screen);
        benchmark::ClobberMemory();
    }
}

} // namespace

static void BM_RedrawPlainObject(benchmark::State& state) { drawPlain(state); }
BENCHMARK(BM_RedrawPlainObject)->Unit(benchmark::kMicrosecond);

static void BM_RedrawAnimation_Code0(benchmark::State& state) { drawAnimation(state, COMPRESSION_NONE); }
BENCHMARK(BM_RedrawAnimation_Code0)->Unit(benchmark::kMicrosecond);

static void BM_RedrawAnimation_Code4(benchmark::State& state) { drawAnimation(state, COMPRESSION_RLE); }
BENCHMARK(BM_RedrawAnimation_Code4)->Unit(benchmark::kMicrosecond);

static void BM_RedrawAnimation_Code0_ImageChangesEachDraw(benchmark::State& state) {
    drawAnimation(state, COMPRESSION_NONE, true);
}
BENCHMARK(BM_RedrawAnimation_Code0_ImageChangesEachDraw)->Unit(benchmark::kMicrosecond);

static void BM_RedrawAnimation_Code4_ImageChangesEachDraw(benchmark::State& state) {
    drawAnimation(state, COMPRESSION_RLE, true);
}
BENCHMARK(BM_RedrawAnimation_Code4_ImageChangesEachDraw)->Unit(benchmark::kMicrosecond);
