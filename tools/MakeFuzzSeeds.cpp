// Writes the fuzz targets' seed inputs (fuzz/corpus/<target>/) with the engine's own writers, and the image
// tests' file builders where the engine has no writer; also the regression inputs of faults mended before the
// targets existed (fuzz/regressions/<target>/). Run from the build folder:
//   ./MakeFuzzSeeds ../fuzz
// The files are kept in the repository; run it again when a writer's layout changes.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/Archive.h"
#include "core/BigFile.h"
#include "core/Compression.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/IniFile.h"
#include "core/SelfExtract.h"
#include "core/TextCoder.h"
#include "display/GraphicsObject.h"
#include "fuzz/FuzzSupport.h"
#include "harness/FontFiles.h"
#include "harness/GameHarness.h"
#include "harness/ImageFiles.h"
#include "media/anim/Animo.h"
#include "media/anim/AnimoIO.h"
#include "media/sound/Ogg.h"
#include "media/sound/SpeexCodec.h"
#include "media/sound/WaveFile.h"
#include "media/sound/WaveRoutines.h"
#include "net/NetMessage.h"
#include "platform/Files.h"
#include "platform/Movie.h"
#include "platform/Registry.h"
#include "script/Database.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/MultiArray.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Structure.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

using namespace KavirelDLL;
using namespace KavirelTest;
namespace fs = std::filesystem;

namespace {

fs::path g_fuzz;

CXString engineName(const fs::path& path) {
    return CXString(CPlatformFiles::toEngineName(path.string()).c_str());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put(const char* kind, const std::string& target, const std::string& name, const std::string& bytes) {
    fs::path folder = g_fuzz / kind / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
}

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    put("corpus", target, name, bytes);
}

void regression(const std::string& target, const std::string& name, const std::string& bytes) {
    put("regressions", target, name, bytes);
}

// A codec's result with its length, which the codec sets while it makes the result.
template <typename Codec>
std::string block(Codec&& codec, int extra = 0) {
    int length = 0;
    char* data = codec(length);
    std::string out = data ? std::string(data, static_cast<size_t>(length + extra)) : std::string();
    delete[] data;
    return out;
}

std::string prefixed(std::initializer_list<int> head, const std::string& rest) {
    std::string out;
    for (int b : head) out += static_cast<char>(b);
    return out + rest;
}

const char* const kDefinition = "# a scene\n"
                                "OBJECT=SCORE\nSCORE:TYPE=INTEGER\nSCORE:VALUE=12\nSCORE:TOINI=TRUE\n"
                                "OBJECT=TITLE\nTITLE:TYPE=STRING\nTITLE:VALUE=\"Dzie\xF1 dobry\"\n"
                                "OBJECT=POS\nPOS:TYPE=IMAGE\nPOS:FILENAME=tlo.img\nPOS:POSITION=10,20\n"
                                "POS:PRIORITY=5\nOBJECT=BH\nBH:TYPE=BEHAVIOUR\nBH:CODE={SCORE^ADD(1);}\n"
                                "ADD=BH\nOBJECT=R\nR:TYPE=DOUBLE\nR:VALUE=-1.25\n!\nafter the end\n";

void textSeeds(const fs::path& work) {
    const fs::path plain = work / "scene.cnv";
    std::ofstream(plain, std::ios::binary) << kDefinition;
    const fs::path coded = work / "scene.coded";
    CTextCoder::code(nullptr, engineName(plain), engineName(coded), 6);
    std::string crlf;
    for (const char* c = kDefinition; *c; ++c) crlf += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    seed("definitions", "plain.cnv", kDefinition);
    seed("definitions", "crlf.cnv", crlf);
    seed("definitions", "coded.cnv", readFile(coded));
    seed("coded_text", "plain", prefixed({6}, kDefinition));
    seed("coded_text", "coded", prefixed({3}, readFile(coded)));

    const fs::path ini = work / "Kavirel.ini";
    CIniFile writer(engineName(ini));
    writer.putString(CXString("MAIN"), CXString("TITLE"),
                     CXString("Przyk\xB3"
                              "ad"));
    writer.putString(CXString("MAIN"), CXString("INI"), CXString("Kavirel.ini"));
    writer.putString(CXString("MAIN"), CXString("PRODUCT"), CXString("Przyklad"));
    writer.putString(CXString("S1"), CXString("Played"), CXString("3"));
    writer.putString(CXString("S1"), CXString("SCORE"), CXString("-12"));
    writer.putString(CXString("MAIN"), CXString("LANGUAGE"), CXString("0415"));
    seed("ini", "Kavirel.ini", readFile(ini));

    // A web game's records, as the program keeps them, and the same file cut short inside a line.
    const fs::path registryFolder = work / "registry";
    fs::create_directories(registryFolder);
    {
        CPlatformRegistry registry(CPlatformFiles::toEngineName(registryFolder.string()));
        const std::string key = "Software\\OrvikMedia\\Kavirel\\Gry\\Przyk\xB3" "ad";
        registry.setString(ERegistryRoot::currentUser, key, "FullName", "Moja gra = 100%");
        registry.setNumber(ERegistryRoot::currentUser, key, "TimesPlayed", 7);
        registry.setNumber(ERegistryRoot::currentUser, key, "Version", 2);
        registry.createKey(ERegistryRoot::localMachine, "Software\\Pusty");
    }
    const std::string records = readFile(registryFolder / "registry.txt");
    seed("registry", "records.txt", records);
    seed("registry", "cut.txt", records.substr(0, records.size() * 2 / 3));

    seed("command_line", "window", "kavirel.exe -window -res 1024 768 -nosound -nomusic");
    seed("command_line", "path",
         "kavirel.exe -path \"C:\\Gry\\Przyklad\" -player Ala -server http://x -delay 5");
    seed("command_line", "tools",
         "kavirel.exe -code -decode -2bin -forcecnv -pack Dane data.bf -log -forcenew");
    seed("command_line", "argv", std::string("-game\0Przyklad\0-product\0P\0-noframe\0-debug", 41));
}

void imageSeeds(const fs::path& work) {
    ImageWindow window;
    CGraphicsObject picture(&window, CXSize(6, 4), 16);
    auto* pixels = reinterpret_cast<uint16_t*>(picture.GetDataPtr());
    for (int i = 0; i < 24; ++i) pixels[i] = static_cast<uint16_t>(i < 12 ? 0xF800 : 0x07E0 + i);
    const struct {
        const char* name;
        _compression kind;
    } kinds[] = {{"pik_raw.img", COMPRESSION_NONE},
                 {"pik_lzo.img", COMPRESSION_LZO},
                 {"pik_lzo_rle.img", COMPRESSION_LZO_RLE},
                 {"pik_rle.img", COMPRESSION_RLE}};
    for (bool alpha : {false, true}) {
        if (alpha) {
            char* plane = new char[24];
            for (int i = 0; i < 24; ++i) plane[i] = static_cast<char>(i * 10);
            picture.AlphaChannel(plane);
        }
        for (const auto& kind : kinds) {
            const fs::path file = work / kind.name;
            picture.Save(engineName(file), kind.kind);
            seed("image", std::string(alpha ? "alpha_" : "") + kind.name, readFile(file));
        }
    }
    seed("image", "nvi.img",
         nvi(3, 2, 16, 0, words({1, 0xF800, 0x07E0, 0x1F, 0xFFFF, 0x1234}), "\x10\x20\x30\x40\x50\x60"));
    seed("image", "legacy.img", legacy(2, 2, 1, words({0xF800, 0x07E0, 0x001F, 0xFFFF})));

    const uint8_t red[3] = {255, 0, 0}, blue[3] = {0, 0, 255};
    seed("jpeg", "two_colours.jpg", twoColourJpeg(red, blue));
    std::vector<uint8_t> grey(8 * 8 * 3);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 3);
    seed("jpeg", "gradient.jpg", encodeJpeg(8, 8, grey, 50));

    seed("psd", "two_layers.psd", psd(twoLayers()));
    seed("psd", "one_layer.psd", psd({twoLayers().front()}));
}

void codecSeeds() {
    std::string raw;
    for (int i = 0; i < 300; ++i) raw += static_cast<char>(i < 100 ? 7 : (i < 200 ? i : i / 10));
    const int size = int(raw.size());
    std::string rle8 = block([&](int& n) { return CRLECompression::__compresschar(raw.data(), size, n); });
    seed("rle", "bytes", prefixed({0, int(raw.size() & 0xFF), int(raw.size() >> 8)}, rle8));
    std::string rle16 = block([&](int& n) { return CRLECompression::__compress(raw.data(), size, n); });
    seed("rle", "words", prefixed({1, int(raw.size() & 0xFF), int(raw.size() >> 8)}, rle16));
    // A 4 x 3 plane: a run, a literal row, a run; the row lengths big-endian.
    const std::string rows[] = {packBitsRun(4, '\x7F'), packBitsRow("\x01\x02\x03\x04"), packBitsRun(4, 0)};
    std::string plane = prefixed({2, 4, 3}, "");
    for (const std::string& row : rows) plane += prefixed({0, int(row.size())}, "");
    for (const std::string& row : rows) plane += row;
    seed("rle", "plane", plane);

    CLZWCompression lzw(raw.data(), int(raw.size()));
    seed("lzw", "stream", block([&](int& n) { return lzw.compress(n); }));
    std::string text = kDefinition;
    CLZWCompression lzwText(text.data(), int(text.size()));
    seed("lzw", "text", block([&](int& n) { return lzwText.compress(n); }));
    CLZWCompression2 lzo(raw.data(), int(raw.size()));
    seed("lzo", "block", block([&](int& n) { return lzo.compress(n); }, 8));
}

void archiveSeeds(const fs::path& work) {
    const fs::path file = work / "archive.bin";
    {
        CFile out;
        out.OpenDirect(engineName(file), CFile::MODE_UPDATE | CFile::MODE_BINARY);
        CXArchive archive(&out, true);
        archive << int32_t(-5) << uint32_t(7) << int64_t(1) << 2.5 << true << CXRect(1, 2, 3, 4)
                << CXString("tekst") << "zn";
        archive.writeShortString(CXString("kr\xF3tki"));
        archive.FWrite(CXString(" s\xB3owo "));
    }
    // The order of reads first: the count less one, then the kinds (as the target numbers them).
    seed("archive", "every_kind", prefixed({11, 0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 10, 9}, readFile(file)));
    seed("archive", "strings", prefixed({1, 6, 8}, readFile(file)));

    const fs::path source = work / "packed";
    fs::create_directories(source / "Dane" / "S1");
    std::ofstream(source / "Dane" / "application.def", std::ios::binary)
        << "OBJECT=GAME\nGAME:TYPE=APPLICATION\n";
    std::ofstream(source / "Dane" / "S1" / "S1.cnv", std::ios::binary) << kDefinition;
    std::ofstream(source / "Kavirel.ini", std::ios::binary) << "[MAIN]\r\nTITLE=Gra\r\n";
    const fs::path big = work / "data.bf";
    CBigFile writer;
    if (!writer.Create(engineName(source), CXString("data.bf"), engineName(big)))
        std::fprintf(stderr, "MakeFuzzSeeds: the big file was not written\n");
    seed("bigfile", "data.bf", readFile(big));
}

std::string wave(const fs::path& work, const CWaveFormat& format, const std::string& bytes);

void packageSeeds(const fs::path& work) {
    const fs::path source = work / "package";
    fs::create_directories(source / "Dane" / "S1");
    std::ofstream(source / "Dane" / "application.def", std::ios::binary)
        << "OBJECT=GAME\nGAME:TYPE=APPLICATION\n";
    std::ofstream(source / "Dane" / "S1" / "S1.cnv", std::ios::binary) << kDefinition;
    std::ofstream(source / "Dane" / "empty.txt", std::ios::binary);
    // Entry names are relative to the folder the package is built in.
    const std::string previous = CPlatformFiles::workingFolder();
    CPlatformFiles::changeWorkingFolder(CPlatformFiles::toEngineName(source.string()));
    CSelfExtract tree;
    tree.AddDirectory(CXString("Dane"));
    const bool built = tree.CreateArchive(CXString(), engineName(work / "tree.pik"));
    CSelfExtract none;
    const bool empty = none.CreateArchive(CXString(), engineName(work / "empty.pik"));
    CPlatformFiles::changeWorkingFolder(previous);
    if (!built || !empty) std::fprintf(stderr, "MakeFuzzSeeds: a package was not written\n");
    seed("package", "tree.pik", readFile(work / "tree.pik"));
    seed("package", "empty.pik", readFile(work / "empty.pik"));
    // Names no writer makes: out of the folder, with a drive, absolute; and a sound entry.
    auto record = [](char type, const std::string& data, const std::string& name) {
        auto u32 = [](size_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
        return std::string(1, type) + u32(data.size()) + u32(data.size()) + data + u32(name.size()) + name;
    };
    seed("package", "unsafe_names",
         std::string("SFX01\4\0\0\0", 9) + record(2, "a", "..\\up.txt") + record(2, "b", "C:\\drive.txt") +
             record(2, "c", "\\abs.txt") + record(2, "OggS", "snd\\a.wav"));
    // A sound entry as the writer makes it, when there is an encoder.
    fs::create_directories(work / "sound" / "snd");
    std::ofstream(work / "sound" / "snd" / "a.wav", std::ios::binary | std::ios::trunc)
        << wave(work, CWaveFormat::pcm(1, 8000, 16), std::string(800, '\x10'));
    CPlatformFiles::changeWorkingFolder(CPlatformFiles::toEngineName((work / "sound").string()));
    CSelfExtract sound;
    sound.AddDirectory(CXString("snd"));
    const bool encoded = sound.CreateArchive(CXString(), engineName(work / "sound.pik"));
    CPlatformFiles::changeWorkingFolder(previous);
    if (encoded)
        seed("package", "sound.pik", readFile(work / "sound.pik"));
    else
        std::fprintf(stderr, "no oggenc: the package sound seed is kept as it was\n");
}

// A "<scene>.bin" seed of the small world's second scene with more objects and files: the world is run and
// its caches stored.
void storedSceneSeed(const std::string& name, const std::string& objects,
                     const std::vector<std::pair<std::string, std::string>>& sceneFiles) {
    KavirelTest::CGameFolder folder;
    KavirelFuzz::WorldFiles world = KavirelFuzz::smallWorld(KavirelFuzz::kWorldCode);
    world["Dane/E1/S2/S2.cnv"] += objects;
    for (const auto& [file, bytes] : sceneFiles) world["Dane/E1/S2/" + file] = bytes;
    for (const auto& [file, content] : world) folder.write(file, content);
    bool stored = false;
    {
        KavirelTest::CGameRun run(folder);
        stored = run.storeCache();
    }
    if (stored)
        seed("scene_cache", name, prefixed({3}, folder.read("Dane/E1/S2/S2.bin")));
    else
        std::fprintf(stderr, "the world for %s wrote no caches\n", name.c_str());
}

// An animation of one 2 x 2 image with an event "WALK" of three frames, the second named "step".
std::string walkingAnimation() {
    CAnimo animation(nullptr);
    CGraphicsObject image(nullptr, CXSize(2, 2), 16);
    animation.AddFrame(&image);
    _animoEvent walk;
    walk.setName("WALK");
    walk.frames = 3;
    animation.AddEvent(walk);
    _animoFrame* step = animation.GetFrameInfo(0, 1);
    step->nameField = 1;
    step->name = "step";
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    return std::string(bytes.begin(), bytes.end());
}

void worldSeeds() {
    const auto& files = KavirelFuzz::smallWorldFiles();
    seed("app_cache", "application.bin", files.at("Dane/application.bin"));
    const char* const caches[] = {"Dane/GAME.bin", "Dane/E1/E1.bin", "Dane/E1/S1/S1.bin",
                                  "Dane/E1/S2/S2.bin"};
    for (int i = 0; i < 4; ++i)
        seed("scene_cache", fs::path(caches[i]).filename().string(), prefixed({i}, files.at(caches[i])));
    // The second scene with images and a sound, so their records are among the seeds.
    storedSceneSeed(
        "S2_media.bin",
        KavirelTest::object("P", {{"TYPE", "IMAGE"},
                                  {"FILENAME", "P.IMG"},
                                  {"TOCANVAS", "TRUE"},
                                  {"VISIBLE", "TRUE"},
                                  {"ASBUTTON", "TRUE"},
                                  {"MONITORCOLLISION", "TRUE"},
                                  {"ONCLICK", "{M^INC();}"}}) +
            KavirelTest::object("Q", {{"TYPE", "IMAGE"}, {"FILENAME", "P.IMG"}, {"PRELOAD", "FALSE"}}) +
            KavirelTest::object("W", {{"TYPE", "SOUND"}, {"FILENAME", "W.WAV"}, {"PRELOAD", "TRUE"}}),
        {{"P.IMG", KavirelTest::pik(2, 2, 16, 0, KavirelTest::words({1, 2, 3, 4}), "", 5, 6)}});
    // And with animations and a sequence.
    storedSceneSeed(
        "S2_animo.bin",
        KavirelTest::object("A", {{"TYPE", "ANIMO"},
                                  {"FILENAME", "A.ANN"},
                                  {"TOCANVAS", "TRUE"},
                                  {"VISIBLE", "TRUE"},
                                  {"ASBUTTON", "TRUE"},
                                  {"MONITORCOLLISIONALPHA", "TRUE"},
                                  {"PRIORITY", "4"},
                                  {"ONCLICK", "{M^INC();}"},
                                  {"ONFINISHED^WALK", "{A^PLAY(\"WALK\");}"}}) +
            KavirelTest::object("B", {{"TYPE", "ANIMO"}, {"FILENAME", "a.ann"}, {"PRELOAD", "FALSE"}}) +
            KavirelTest::object(
                "SQ", {{"TYPE", "SEQUENCE"}, {"FILENAME", "SQ.SEQ"}, {"ONFINISHED", "{SQ^PLAY(\"GO\");}"}}),
        {{"A.ANN", walkingAnimation()},
         {"SQ.SEQ", "NAME SQ\nSQ TYPE SEQUENCE\nSQ SEQEVENT GO 1\n"
                    "NAME w\nw FILENAME A\nw EVENT WALK\nw TYPE SIMPLE\nw ADD SQ\n"}});
    // And with a font, a text, a button, an edit box and a dialog.
    storedSceneSeed(
        "S2_controls.bin",
        KavirelTest::object(
            "F", {{"TYPE", "FONT"}, {"DEF_SANS_STANDARD_8", "F.FNT"}, {"DEF_SANS_BOLD_8", "F.FNT"}}) +
            KavirelTest::object(
                "P", {{"TYPE", "IMAGE"}, {"FILENAME", "P.IMG"}, {"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}}) +
            KavirelTest::object("T", {{"TYPE", "TEXT"},
                                      {"FONT", "F"},
                                      {"TEXT", "H<B>J"},
                                      {"RECT", "P"},
                                      {"TOCANVAS", "TRUE"},
                                      {"VISIBLE", "TRUE"}}) +
            KavirelTest::object("B", {{"TYPE", "BUTTON"},
                                      {"GFXSTANDARD", "P"},
                                      {"RECT", "P"},
                                      {"ENABLE", "TRUE"},
                                      {"SNDONCLICK", "W"},
                                      {"ONACTION", "{M^INC();}"}}) +
            KavirelTest::object("W", {{"TYPE", "SOUND"}, {"FILENAME", "W.WAV"}}) +
            KavirelTest::object("E", {{"TYPE", "EDITBOX"},
                                      {"FONT", "F"},
                                      {"RECT", "0,0,40,20"},
                                      {"TEXT", "HJ"},
                                      {"CURSOR", "P"}}) +
            KavirelTest::object("D", {{"TYPE", "DIALOG"}}),
        {{"P.IMG", KavirelTest::pik(2, 2, 16, 0, KavirelTest::words({1, 2, 3, 4}), "", 5, 6)},
         {"F.FNT", KavirelTest::fntBytes(
                       KavirelTest::FntFont{{KavirelTest::letterH(), KavirelTest::letterJ()}, {}, 0xFFFF})}});
    // And with graph filters (their records hold the ACTION text).
    storedSceneSeed(
        "S2_filters.bin",
        KavirelTest::object("F", {{"TYPE", "FILTER"}, {"ACTION", "PATH"}, {"ONTICK", "{M^INC();}"}}) +
            KavirelTest::object("Z", {{"TYPE", "STATICFILTER"}, {"ACTION", "ROTATE"}}) +
            KavirelTest::object("X", {{"TYPE", "FILTER"}, {"ACTION", "UNKNOWN"}}),
        {});
    // And with canvases, the screen canvas and a graphics buffer.
    storedSceneSeed(
        "S2_canvas.bin",
        KavirelTest::object("C", {{"TYPE", "CANVAS"},
                                  {"WIDTH", "8"},
                                  {"HEIGHT", "6"},
                                  {"PRIORITY", "3"},
                                  {"ALPHA", "TRUE"},
                                  {"BACKGROUND", "TRUE"},
                                  {"ONCLICK", "{M^INC();}"}}) +
            KavirelTest::object("E", {{"TYPE", "CANVAS"}}) +
            KavirelTest::object("SCR", {{"TYPE", "CANVAS_OBSERVER"}, {"ONUPDATE", "{M^INC();}"}}) +
            KavirelTest::object("G", {{"TYPE", "GRBUFFER"}, {"SOURCE", "E"}, {"DESTINY", "C"}}),
        {});
    // And with a tile pattern and a virtual graphics object over the images.
    storedSceneSeed(
        "S2_tiles.bin",
        KavirelTest::object("T", {{"TYPE", "PATTERN"},
                                  {"WIDTH", "8"},
                                  {"HEIGHT", "4"},
                                  {"GRIDX", "2"},
                                  {"GRIDY", "2"},
                                  {"LAYERS", "2"},
                                  {"TOCANVAS", "TRUE"},
                                  {"VISIBLE", "TRUE"},
                                  {"PRIORITY", "3"},
                                  {"ONINIT", "{T^ADD(\"a\",1,1,\"P\",0);T^ADD(\"b\",3,0,\"P\",0,1);}"},
                                  {"ONCLICK", "{M^INC();}"}}) +
            KavirelTest::object("P", {{"TYPE", "IMAGE"}, {"FILENAME", "P.IMG"}, {"VISIBLE", "TRUE"}}) +
            KavirelTest::object("V", {{"TYPE", "VIRTUALGRAPHICSOBJECT"},
                                      {"TOCANVAS", "TRUE"},
                                      {"VISIBLE", "TRUE"},
                                      {"ONINIT", "{V^SETSOURCE(\"P\");V^SETMASK(\"P\");}"}}),
        {{"P.IMG", KavirelTest::pik(2, 2, 16, 0, KavirelTest::words({1, 2, 3, 4}), "", 5, 6)}});
    seed("behaviour", "every_kind", KavirelFuzz::kWorldCode);
    seed("behaviour", "calls",
         "{@BOOL(F,TRUE);@IF(F'TRUE,{CH^RUN();},{});T^SETELAPSE(40);"
         "S^SET(\"a,b\");S^FIND(\",\");N^CLAMP(0,5);GAME^RUNENV(\"S1\",\"CH\");"
         "@INT(I,0);G^REMOVEALL();S1^GETOBJECTS();@RETURN([$1*2]);}");
    seed("behaviour", "broken", "{N^ADD(;S^SET(\"unterminated);@IF(,,{);}}[[[]");
    // Generated worlds (fuzz/BehaviourCode.h): a first byte other than "{", then the generator's choices,
    // here from a fixed sequence of bytes; each of these runs briefly and makes five behaviours' codes.
    for (uint32_t start : {5u, 6u, 16u, 21u, 33u, 37u}) {
        std::string bytes = "G";
        uint32_t x = start * 2654435761u;
        for (int i = 0; i < 600; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            bytes += static_cast<char>(x >> 24);
        }
        seed("behaviour", "generated_" + std::to_string(start), bytes);
    }
}

// The files MULTIARRAY and DATABASE save, written by their own SAVE.
void tableSeeds(const fs::path& work) {
    CMC_MultiArray grid(nullptr, CXString("GRID"));
    CMC_Integer number(42);
    CMC_String text(CXString("t"), CXString("cze\x9C\xE6"));
    CMC_Double fraction(-2.5);
    grid.set({1, 0}, &number);
    grid.set({0, 20}, &text);
    grid.set({3, 3}, &fraction);
    grid.save(engineName(work / "grid.bin"));
    seed("multiarray", "grid.bin", readFile(work / "grid.bin"));
    std::unique_ptr<CMElement> three(new CMElement(CXString("CUBE")));
    three->addProperty(CXString("DIMENSIONS"), CXString("3"));
    CMC_MultiArray deep(nullptr, three.get());
    deep.set({1, 2, 3}, &number);
    deep.save(engineName(work / "cube.bin"));
    seed("multiarray", "cube.bin", readFile(work / "cube.bin"));

    CMC_ObjectsContainer room(nullptr, nullptr, CXString("ROOM"), TYPE_CLASS);
    CMElement model(CXString("ROW"));
    model.addProperty(CXString("FIELDS"), CXString("ID<INTEGER>,NAME<STRING>,SCORE<DOUBLE>,ON<BOOL>"));
    auto* row = new CMC_Structure(&room, &model);
    room.addObject(row);
    CMElement definition(CXString("TABLE"));
    definition.addProperty(CXString("MODEL"), CXString("ROW"));
    auto* table = new CMC_Database(&room, &definition);
    room.addObject(table);
    table->init();
    for (int i = 0; i < 3; ++i) {
        CMC_Integer id(i);
        CMC_String name(CXString("n"), CXString(i == 1 ? "ala" : "ola"));
        row->setField(0, &id);
        row->setField(1, &name);
        table->add(row);
    }
    table->save(engineName(work / "rows.txt"));
    seed("database", "rows.txt", readFile(work / "rows.txt"));
    seed("database", "crlf_blank_long",
         "1|ala|0.5|TRUE\r\n\r\n2|" + std::string(12000, 'x') + "|-1|FALSE\n3|ola");
}

// A WAV file of the format and bytes, written by the engine's writer.
std::string wave(const fs::path& work, const CWaveFormat& format, const std::string& bytes) {
    const fs::path path = work / "seed.wav";
    CWaveFile file;
    file.Open(engineName(path), format);
    file.Write(bytes.data(), static_cast<int>(bytes.size()));
    file.Close();
    return readFile(path);
}

// A short tone through the Speex encoder, which takes a 44-byte-header WAVE file.
void speexSeed(const fs::path& work, const std::string& name, int rate, int channels, int bits, int frames) {
    std::string data;
    for (int i = 0; i < frames * channels; ++i) {
        const int v = (i / channels % 20) * 3000 - 30000;
        if (bits == 8)
            data += static_cast<char>(128 + v / 256);
        else
            data += std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    }
    const CWaveFormat format = CWaveFormat::pcm(channels, rate, bits);
    uint8_t record[CWaveFormat::kStoredSize];
    format.store(record);
    auto u32 = [](uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    std::ofstream(work / "speex.wav", std::ios::binary | std::ios::trunc)
        << "RIFF" + u32(static_cast<uint32_t>(36 + data.size())) + "WAVEfmt " + u32(16) +
               std::string(reinterpret_cast<char*>(record), 16) + "data" +
               u32(static_cast<uint32_t>(data.size())) + data;
    const fs::path speex = work / "seed.spx";
    if (CSpeexCodec::encode(engineName(work / "speex.wav").GetBuffer(), engineName(speex).GetBuffer()))
        seed("speex", name, readFile(speex));
}

void speexSeeds(const fs::path& work) {
    speexSeed(work, "mono_8k", 8000, 1, 16, 800);
    speexSeed(work, "stereo_22k_8bit", 22050, 2, 8, 500);
}

// Files of the WAVE file tools, written by them; one with display and playlist chunks among others.
void waveFileSeeds(const fs::path& work) {
    const std::string path = (work / "tools.wav").string();
    const std::string ramp = "\x01\x02\x03\x04\x05\x06\x07";
    CWaveFormatBlock pcm{CWaveFormat::pcm(1, 11025, 8), {}};
    saveWaveFile(path.c_str(), 7, 7, pcm, reinterpret_cast<const uint8_t*>(ramp.data()));
    std::string saved = readFile(path);
    seed("wave_file", "pcm8_odd", saved);
    CWaveFormatBlock adpcm{CWaveFormat::pcm(2, 22050, 4), {0x12, 0x34}};
    adpcm.format.formatTag = CWaveFormat::TAG_ADPCM;
    adpcm.format.extraSize = 2;
    saveWaveFile(path.c_str(), 4, 8, adpcm, reinterpret_cast<const uint8_t*>(ramp.data()));
    seed("wave_file", "adpcm_extra", readFile(path));
    const size_t data = saved.find("data");
    std::string others = saved.substr(0, data) + std::string("DISP\x03\0\0\0abc\0LIST\x04\0\0\0INFO", 24) +
                         std::string("plst\x04\0\0\0\x01\0\0\0", 12) + saved.substr(data);
    others[4] = static_cast<char>(others.size() - 8);
    seed("wave_file", "display_playlist", others);
}

void soundSeeds(const fs::path& work) {
    std::string ramp;
    for (int i = 0; i < 64; ++i) ramp += static_cast<char>(i * 4);
    seed("wav", "pcm16_mono", wave(work, CWaveFormat::pcm(1, 22050, 16), ramp));
    seed("wav", "pcm8_stereo", wave(work, CWaveFormat::pcm(2, 11025, 8), ramp));
    CWaveFormat adpcm = CWaveFormat::pcm(1, 22050, 4);
    adpcm.formatTag = CWaveFormat::TAG_ADPCM;
    adpcm.extraSize = 2;
    seed("wav", "adpcm_head", wave(work, adpcm, ramp));
    // An odd chunk before the data, skipped without a pad byte.
    std::string odd = wave(work, CWaveFormat::pcm(1, 8000, 16), ramp);
    size_t data = odd.find("data");
    seed("wav", "odd_chunk", odd.substr(0, data) + std::string("LIST\x03\0\0\0abc", 11) + odd.substr(data));
    // A tenth of a second through the encoder, when there is one.
    std::string tone;
    for (int i = 0; i < 2205; ++i) {
        int16_t v = static_cast<int16_t>((i % 50) * 400 - 10000);
        tone += static_cast<char>(v & 0xFF);
        tone += static_cast<char>((v >> 8) & 0xFF);
    }
    std::ofstream(work / "tone.wav", std::ios::binary | std::ios::trunc)
        << wave(work, CWaveFormat::pcm(1, 22050, 16), tone);
    const fs::path ogg = work / "tone.ogg";
    if (COgg::encodeWav(engineName(work / "tone.wav").GetBuffer(), engineName(ogg).GetBuffer()))
        seed("ogg", "tone.ogg", readFile(ogg));
    else
        std::fprintf(stderr, "no oggenc: the ogg seed is kept as it was\n");
    speexSeeds(work);
    waveFileSeeds(work);
}

// Response headers as servers send them.
void httpSeeds() {
    seed("http_header", "length.txt", "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                      "Content-Length: 1234\r\nConnection: close\r\n\r\n");
    seed("http_header", "chunked.txt", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    seed("http_header", "two_lengths.txt", "Content-Length:\t 7 \nContent-Length: 4294967296\n");
}

// Faults found by fuzzing before fuzz/ existed.
void regressionSeeds() {
    // A few packed bytes claiming 2 GB of pixels: a block of the whole picture was made and cleared for
    // them.
    regression("image", "nvi_vast_picture", nvi(32767, 21845, 24, 2, std::string(26, '\x55'), ""));
    // Sides each just within an int: their area times three overflowed.
    std::vector<Layer> vast = twoLayers();
    vast[0].top = vast[0].left = -1;
    vast[0].bottom = vast[0].right = INT32_MAX - 1;
    regression("psd", "layer_area_overflow", psd(vast));
    // Code that calls itself without end, and code nested 400 deep: both overflowed the stack.
    regression("behaviour", "calls_itself", "{FUZZ^RUN();}");
    std::string nested = "{";
    for (int i = 0; i < 400; ++i) nested += "N^SET(";
    nested += "1";
    for (int i = 0; i < 400; ++i) nested += ")";
    regression("behaviour", "nested_deep", nested + ";}");
    // Code-1 images whose alpha plane is shorter than the picture: saving after a draw read past it.
    const std::string pixels = words({0x7C00, 0x03E0, 0x001F, 0x7FFF}), alpha = "\x10\x20\x30";
    Bytes pi2;
    pi2.raw(std::string("PI2\0", 4)).le16(1).le16(CGraphicsObject::GetFlagBpp(16)).zeros(4);
    pi2.le16(2).le16(0).le16(2).le16(0).le16(0).le16(CGraphicsObject::GetFlagBpp(16)).le32(4);
    pi2.le32(8).le32(0).le32(0).le32(3).raw(pixels).raw(alpha);
    regression("animation", "pi2_short_alpha", pi2.s);
    Bytes nvp;
    nvp.raw(std::string("NVP\0", 4)).le16(1).le16(16).le16(0).zeros(13).le32(15).le32(0).u8(255).le16(0);
    nvp.zeros(10).le32(0).le32(0);
    nvp.le16(2).le16(2).le16(0).le16(0).le16(1).le32(8).le16(4).le32(0).le32(0).le32(0).le32(3).zeros(20);
    nvp.raw(pixels).raw(alpha);
    regression("animation", "nvp_code1_short_alpha", nvp.s);
}

// Animation files: "NVP" by the engine's writer (raw and run-length images), "NVI" the same bytes under
// the older magic, the picture lists by the engine's header and image writers, and "NV+" and "PAK" built
// here, since the engine writes neither.
void animationSeeds() {
    CAnimo animation(nullptr);
    for (int i = 0; i < 2; ++i) {
        CGraphicsObject image(nullptr, CXSize(3, 2), 16);
        auto* pixels = reinterpret_cast<uint16_t*>(image.GetDataPtr());
        for (int p = 0; p < 6; ++p) pixels[p] = static_cast<uint16_t>(0x1234 * (i + 1) + p);
        if (i == 0) image.AlphaChannel(new char[6]{0, 50, 100, 127, (char)200, (char)255});
        image.SetPosition(i, 2 * i);
        animation.AddFrame(&image);
    }
    _animoEvent idle;
    idle.setName("idle");
    animation.AddEvent(idle);
    _animoEvent walk;
    walk.setName("walk");
    walk.frames = 3;
    walk.loopStart = 1;
    walk.loopEnd = 2;
    walk.loopCount = 2;
    walk.flags = 0x20000;
    animation.AddEvent(walk);
    _animoEvent* event = animation.GetEventInfo(1);
    event->images = {0, 1, 0};
    _animoFrame* step = animation.GetFrameInfo(1, 0);
    step->nameField = 1;
    step->name = "step";
    step->paramField = 1;
    step->params[1] = step->params[2] = 1.0f;
    _animoFrame* tap = animation.GetFrameInfo(1, 1);
    tap->soundField = 1;
    tap->sound = "tap.wav";
    tap->x = -2;
    tap->opacity = 128;
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    std::string nvp(bytes.begin(), bytes.end());
    seed("animation", "nvp_raw.ann", nvp);
    seed("animation", "nvi_raw.ann", "NVI" + nvp.substr(3));
    animation.save3(bytes, COMPRESSION_RLE);
    seed("animation", "nvp_rle.ann", std::string(bytes.begin(), bytes.end()));

    for (int generation = 1; generation <= 3; ++generation) {
        std::vector<uint8_t> list;
        CAnimoWriter w(list);
        w.bytes(generation == 1 ? "PIK" : generation == 2 ? "PI2" : "PI3", 4);
        w.u16(2);
        w.u16(static_cast<uint32_t>(CGraphicsObject::GetFlagBpp(16)));
        w.zeros(4);
        if (generation == 1) {
            w.bytes("EXT", 3);
            w.u32(0);
            w.u32(2);
            w.bytes("au", 2);
            w.u32(0);
            w.bytes("SEQ", 3);
            w.u32(2);
            w.zeros(8);
            w.bytes("POS", 3);
            for (int r = 0; r < 2; ++r) {
                w.u32(static_cast<uint32_t>(r * 3));
                w.u32(static_cast<uint32_t>(-r));
                w.u8(200);
                w.zeros(24);
            }
        }
        animation.DeCompressRLE2();
        for (int i = 0; i < 2; ++i) {
            CFrame* frame = animation.GetFrame(i);
            // Every image carries an alpha plane but in "PI3", whose images are LZO blocks.
            if (generation == 3) {
                frame->AlphaChannel(nullptr);
                const std::string packed =
                    block([&](int& n) { return CLZWCompression2(frame->GetDataPtr(), 12).compress(n); }, 8);
                char* copy = new char[packed.size()];
                std::memcpy(copy, packed.data(), packed.size());
                frame->SetDataPtr(copy);
                frame->SetCompression(COMPRESSION_LZO);
                frame->setCompressedSize(12, int(packed.size()));
                frame->SetChannelSize(0, int(packed.size()));
            } else {
                if (!frame->GetChannelAlpha()) frame->AlphaChannel(new char[6]{10, 20, 30, 40, 50, 60});
                frame->SetChannelSize(0, 12);
            }
            frame->SaveHeader(list, generation);
        }
        for (int i = 0; i < 2; ++i) animation.GetFrame(i)->Save(list, generation);
        seed("animation",
             generation == 1   ? "pik_chunks.ann"
             : generation == 2 ? "pi2.ann"
                               : "pi3.ann",
             std::string(list.begin(), list.end()));
    }

    // "NV+": the current layout with 32-byte image headers; "PAK": the pack layout with one event.
    Bytes plus;
    plus.raw(std::string("NV+\0", 4))
        .le16(1)
        .le16(16)
        .le16(1)
        .zeros(13)
        .le32(15)
        .le32(0x800000)
        .u8(255)
        .le16(0);
    plus.zeros(10).le32(0).le32(0);
    plus.raw(std::string("loop").append(28, '\0')).le16(2).zeros(4).le16(0).le16(1).le16(0).le16(0).le32(0);
    plus.le32(0x100000).u8(255).zeros(12).le16(0).le16(0);
    for (int f = 0; f < 2; ++f)
        plus.le32(0).le32(0).le16(f).le16(0).le32(-1).le32(0).le32(0).u8(255).zeros(5);
    plus.le16(2).le16(1).le16(0).le16(0).le16(0).le32(4).le16(0).zeros(16).raw(words({0xF800, 0x001F}));
    seed("animation", "nv_plus.ann", plus.s);
    Bytes pak;
    pak.raw(std::string("PAK\0", 4)).le16(1).raw(std::string("author").append(122, '\0'));
    pak.raw(std::string("text").append(252, '\0')).le16(0).le16(1).zeros(13);
    pak.raw(std::string("jump").append(28, '\0')).le16(2).le16(1).le16(0).le16(3).le16(0).le16(0);
    pak.le16(1).le16(2).zeros(6).le16(-1).le16(0).zeros(6);
    pak.le16(2).le16(1).le16(0).le16(0).le16(0).le32(4).le16(0).zeros(16).raw(words({0x7C00, 0x03E0}));
    seed("animation", "pak.ann", pak.s);
    seed("animation", "unknown_magic.ann", std::string("ZZZ\0\3\0\4\0\0\0\0\0", 12));
}

void fontSeeds() {
    using namespace KavirelTest;
    FntFont font;
    font.glyphs = {letterH(), letterJ(), blockGlyph('a', 8, 8, 2, 3)};
    font.kerning[{'H', 'J'}] = 1;
    font.kerning[{'J', 'a'}] = -2;
    seed("font", "fnt.fnt", prefixed({0}, fntBytes(font)));
    seed("font", "empty.fnt", prefixed({0}, fntBytes(FntFont())));
    seed("font", "letters.ann", prefixed({1}, fontAnimationBytes({letterH(), letterJ()})));

    // Choices: kind (1 multi-line, 2 one font, then justifications), box width, clipping.
    seed("text", "codes",
         prefixed({0, 60, 0x21}, "a<B>bold<B> <COLOR255,0,0>red<COLOR> x<XYZ>y a<b<I>c |CR\rend"));
    seed("text", "lines",
         prefixed({1, 30, 0x12}, "one two&NBSP;three|four||<B>five six seven<B> <E,40,f,hi>"));
    seed("text", "single", prefixed({3 | 4 << 2, 20, 0}, "<COLOR65535>ll ll\tl<U>u<E,,,>"));
}

} // namespace

// Sequence files (the engine writes none): a tree of every kind of element over the scratch folder's
// "A.ANN" and "A.WAV", the same in the colon form with CR LF and comments, random and parameter
// sequences, and elements the root does not hold.
void sequenceSeeds() {
    const std::string tree =
        "NAME SEQ\nSEQ TYPE SEQUENCE\nSEQ SEQEVENT GO 2A\n"
        "NAME a\na FILENAME A.ANN\na EVENT START\na TYPE SIMPLE\na ADD SEQ\n"
        "NAME s\ns FILENAME A.WAV\ns TYPE SIMPLE\ns WAIT FALSE\ns ADD SEQ\n"
        "NAME talk\ntalk TYPE SPEAKING\ntalk ANIMOFN A.ANN\ntalk WAVFN s\ntalk PREFIX MAN\n"
        "talk STARTING TRUE\ntalk ENDING TRUE\ntalk ADD SEQ\n"
        "NAME p\np TYPE SEQUENCE\np MODE PARAMETER\np ADD SEQ\n"
        "NAME n\nn FILENAME A.ANN\nn EVENT 1\nn TYPE SIMPLE\nn ADD p\n";
    seed("sequence", "tree.seq", tree);
    std::string colons = "# a comment\r\n";
    for (char c : tree) {
        if (c == '\n') colons += "\r";
        colons += c;
    }
    for (size_t at = colons.find(" TYPE "); at != std::string::npos; at = colons.find(" TYPE ", at))
        colons.replace(at, 6, ":TYPE=");
    seed("sequence", "colons_crlf.seq", colons);
    seed("sequence", "random.seq",
         "NAME SEQ\nSEQ TYPE SEQUENCE\nSEQ MODE RANDOM\nNAME v\nv TYPE SPEAKING\nv WAVFN A.WAV\n"
         "v ANIMOFN PIXEL.ANN\nv ADD SEQ\nNAME w\nw:FILENAME=A.WAV\nw:TYPE=SIMPLE\nw:ADD=SEQ\n");
    seed("sequence", "loose.seq",
         "NAME SEQ\nSEQ TYPE SEQUENCE\nNAME x\nx TYPE SEQUENCE\nNAME y\ny TYPE SEQUENCE\ny ADD x\n"
         "x ADD y\nSEQ ADD SEQ\nNAME ROOT\nROOT TYPE SPEAKING\nROOT WAVFN SEQ\nNAME z\nz:ADD\n");
}

// Network messages of every type, written by their own writers: each alone for the message readers (its type
// byte and payload), all in one stream for the frame reader.
void networkSeeds() {
    kavirelRegisterTypes();
    CMC_VariableFactory::initialize();
    CXArray params;
    CXString one("1"), two("2");
    params.add(&one);
    params.add(&two);
    CMC_Integer score(CXString("SCORE"));
    CMC_String name(CXString("NAME"), CXString("Ann"));
    const char chunk[5] = {'d', 'a', 't', 'a', 0};
    std::vector<std::pair<std::string, std::unique_ptr<CNetMessage>>> all;
    all.emplace_back("cmd", new CNetCmdMessage(nullptr, CXString("JUMP"), &params));
    all.emplace_back("cmd_bare", new CNetCmdMessage(nullptr, CXString("GO"), nullptr));
    all.emplace_back("variable_integer", new CNetVariableMessage(nullptr, &score));
    all.emplace_back("variable_string", new CNetVariableMessage(nullptr, &name));
    all.emplace_back("behaviour", new CNetBehaviourMessage(nullptr, CXString("{SCORE^SET(1);}")));
    all.emplace_back("goodbye", new CNetMessage(nullptr, CNetMessage::GOODBYE));
    all.emplace_back("text", new CNetTextMessage(nullptr, CXString("hello")));
    all.emplace_back("ping", new CNetPingMessage(nullptr, 42));
    all.emplace_back("hello", new CNetHelloMessage(nullptr, CXString("Ann")));
    all.emplace_back("file_request", new CNetFileRequestMessage(nullptr, 1, CXString("a"), CXString("b"),
                                                                CXString("file.dat")));
    all.emplace_back("file_response", new CNetFileResponseMessage(nullptr, 1, 2, 5, 5));
    all.emplace_back("file_data", new CNetFileDataMessage(nullptr, 1, 2, 0, 0, 5, chunk));
    std::string stream;
    for (auto& [label, m] : all) {
        const std::string bytes(reinterpret_cast<const char*>(m->getBuffer()), static_cast<size_t>(m->getBufferLen()));
        seed("net_message", label, std::string(1, static_cast<char>(m->getType())) + bytes.substr(8));
        stream += bytes;
    }
    seed("net_frame", "all_types_whole", std::string(1, '\x3f') + stream);
    seed("net_frame", "all_types_byte_by_byte", std::string(1, '\0') + stream);
    // A transfer of 10245 bytes in two chunks, an empty one, and chunks out of order.
    std::vector<char> body(10245, 'x');
    auto frame = [](CNetMessage* m) {
        std::unique_ptr<CNetMessage> owned(m);
        return std::string(reinterpret_cast<const char*>(m->getBuffer()), static_cast<size_t>(m->getBufferLen()));
    };
    seed("net_file_receive", "two_chunks",
         frame(new CNetFileResponseMessage(nullptr, 1, 2, 10245, 10245)) +
             frame(new CNetFileDataMessage(nullptr, 1, 2, 0, 0, 10240, body.data())) +
             frame(new CNetFileDataMessage(nullptr, 1, 2, 0, 10240, 5, body.data())));
    seed("net_file_receive", "empty_then_out_of_order",
         frame(new CNetFileResponseMessage(nullptr, 1, 3, 0, 0)) +
             frame(new CNetFileResponseMessage(nullptr, 1, 4, 8, 8)) +
             frame(new CNetFileDataMessage(nullptr, 1, 4, 0, 4, 4, body.data())));
    seed("net_frame", "goodbye_then_length_seven", std::string("\x07\4\0\0\0\x08\0\0\0\5\0\0\0\7\0\0\0", 17));
    CMC_VariableFactory::done();
}

// Small movies of the writer (a leading choice byte, then the file): uncompressed with a tone, MPEG-4, MS Video 1.
void movieSeeds(const fs::path& work) {
    const std::string path = (work / "movie.avi").string();
    const struct {
        const char* name;
        CMovieWriterOptions::Codec codec;
        int tone;
        char choices;
    } kinds[] = {{"raw_tone", CMovieWriterOptions::RAW, 441, 0},
                 {"mpeg4", CMovieWriterOptions::MPEG4, 0, 3},
                 {"msvideo1", CMovieWriterOptions::MSVIDEO1, 0, 4}};
    for (const auto& kind : kinds) {
        CMovieWriterOptions options;
        options.width = 16;
        options.height = 16;
        options.frames = 4;
        options.fps = 10;
        options.codec = kind.codec;
        options.toneHz = kind.tone;
        options.audioRate = 8000;
        bool ok = writeMovie(path, options, [](int index, uint8_t* rgb, int pitch) {
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 48; ++x) rgb[y * pitch + x] = static_cast<uint8_t>(index * 50 + x * 5 + y);
        });
        if (ok) seed("movie", kind.name, std::string(1, kind.choices) + readFile(path));
    }
    // A picture 5 pixels wide, converted from YUV: swscale wrote past the end of its last row.
    CMovieWriterOptions narrow;
    narrow.width = 5;
    narrow.height = 3;
    narrow.frames = 2;
    narrow.codec = CMovieWriterOptions::MPEG4;
    if (writeMovie(path, narrow, [](int index, uint8_t* rgb, int pitch) {
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 15; ++x) rgb[y * pitch + x] = static_cast<uint8_t>(index * 70 + x * 9 + y * 31);
        }))
        regression("movie", "mpeg4_narrow_picture", std::string(1, '\0') + readFile(path));
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FUZZ_FOLDER\n", argv[0]);
        return 2;
    }
    g_fuzz = fs::absolute(argv[1]);
    const fs::path work = KavirelFuzz::scratch() / "seeds";
    fs::create_directories(work);
    textSeeds(work);
    imageSeeds(work);
    animationSeeds();
    fontSeeds();
    codecSeeds();
    archiveSeeds(work);
    packageSeeds(work);
    worldSeeds();
    tableSeeds(work);
    soundSeeds(work);
    sequenceSeeds();
    httpSeeds();
    networkSeeds();
    movieSeeds(work);
    regressionSeeds();
    std::printf("seeds and regression inputs written below %s\n", g_fuzz.c_str());
    return 0;
}
