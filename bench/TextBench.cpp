// Texts drawn and laid out, each against a baseline measured in the same iterations:
//   25 lines of 80 glyphs (two fonts, every other word bold) drawn into an 800 x 600 16-bit surface by
//   CText6::Redraw, against blitting the same glyph cells of the same atlases by CGraphicsObject::redraw
//   (x_glyph_blits); the same with every word in a colour of its own; the 25 lines laid out by setText of one
//   multi-line text, against measuring them with CText6::getLength (x_measure).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "harness/FontFiles.h"
#include "media/text/MultilineText6.h"
#include "media/text/SimpleFont6.h"
#include "media/text/Text6.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

constexpr int kLines = 25, kWords = 10;

struct Fonts {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "kavirel-text-bench";
    std::unique_ptr<CSimpleFont6> regular, bold;
    std::unique_ptr<CFontCollection> collection;
    std::vector<std::string> lines;

    Fonts() {
        std::filesystem::create_directories(folder);
        regular = load("REGULAR.FNT", "STANDARD", 2);
        bold = load("BOLD.FNT", "BOLD", 1);
        collection = std::make_unique<CFontCollection>(nullptr);
        collection->addFont(regular.get());
        collection->addFont(bold.get());
        // Words of seven letters and a space: 80 glyphs a line, every other word bold.
        for (int l = 0; l < kLines; ++l) {
            std::string line;
            for (int w = 0; w < kWords; ++w) {
                std::string word;
                for (int c = 0; c < 7; ++c) word += char('a' + (l + w * 3 + c) % 26);
                line += (w % 2 ? "<B>" + word + "<B>" : word) + (w + 1 < kWords ? " " : "!");
            }
            lines.push_back(line);
        }
    }
    ~Fonts() { std::filesystem::remove_all(folder); }

    std::unique_ptr<CSimpleFont6> load(const char* name, const char* style, int blank) {
        KavirelTest::FntFont f;
        for (unsigned char c : std::string("abcdefghijklmnopqrstuvwxyz!"))
            f.glyphs.push_back(KavirelTest::blockGlyph(c, 10, 16, blank, blank));
        f.glyphs.push_back(KavirelTest::blockGlyph('l', 10, 16, blank, blank));
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << KavirelTest::fntBytes(f);
        auto font =
            std::make_unique<CSimpleFont6>(nullptr, CXString(CPlatformFiles::toEngineName(path).c_str()));
        font->setFamily("B");
        font->setStyle(style);
        return font;
    }
};

// The glyph blits a line of text makes: which atlas, where, and which cell's ink.
struct Blit {
    CSimpleFont6* font;
    int x, y;
    CXRect cell;
};

// The cells the texts draw, found by walking their letters as the fonts place them.
std::vector<Blit> blitsOf(Fonts& fonts) {
    std::vector<Blit> out;
    for (int l = 0; l < kLines; ++l) {
        CSimpleFont6* font = fonts.regular.get();
        int x = 0;
        const std::string& line = fonts.lines[size_t(l)];
        for (size_t i = 0; i < line.size(); ++i) {
            if (line.compare(i, 3, "<B>") == 0) {
                font = font == fonts.regular.get() ? fonts.bold.get() : fonts.regular.get();
                i += 2;
                continue;
            }
            const int cell = font->findLetter(line[i]);
            const int width = font->getRealLetterWidth(line[i]);
            if (cell >= 0 && line[i] != ' ') {
                const int left = cell * 10 + (font == fonts.bold.get() ? 1 : 2);
                out.push_back({font, x - left, l * 24, CXRect(left, 0, left + width, 16)});
            }
            x += width + 2;
        }
    }
    return out;
}

void drawTexts(benchmark::State& state, bool wordColours) {
    Fonts fonts;
    CGraphicsObject screen(nullptr, CXSize(800, 600), 16);
    std::vector<std::unique_ptr<CText6>> texts;
    for (int l = 0; l < kLines; ++l) {
        auto text = std::make_unique<CText6>(nullptr, true, nullptr);
        text->setFont(fonts.collection.get());
        text->setText(CXString(fonts.lines[size_t(l)].c_str()));
        text->SetPosition(0, l * 24);
        text->SetDestiny(&screen);
        for (int w = 0; wordColours && w < text->getNumWords(); ++w) text->setWordColor(w, 0x0841 * (w + 1));
        texts.push_back(std::move(text));
    }
    const std::vector<Blit> blits = blitsOf(fonts);
    double engine = 0, baseline = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        for (auto& text : texts) text->Redraw();
        const double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;

        start = Clock::now();
        for (const Blit& b : blits) {
            b.font->SetPosition(b.x, b.y);
            b.font->CGraphicsObject::SetClippingRect(b.cell);
            b.font->CGraphicsObject::redraw(&screen);
        }
        baseline += seconds(start);
        for (const Blit& b : blits) b.font->CGraphicsObject::SetClippingRect(CXRect(0, 0, 0, 0));
    }
    if (blits.size() != size_t(kLines) * (kWords * 7 + 1)) state.SkipWithError("the baseline lost glyphs");
    state.counters["x_glyph_blits"] = engine / baseline;
    state.SetItemsProcessed(state.iterations() * int64_t(blits.size()));
}

void BM_Draw25LinesOf80Glyphs(benchmark::State& state) { drawTexts(state, false); }
BENCHMARK(BM_Draw25LinesOf80Glyphs)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_Draw25LinesEveryWordItsColour(benchmark::State& state) { drawTexts(state, true); }
BENCHMARK(BM_Draw25LinesEveryWordItsColour)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_LayOut25LinesBySetText(benchmark::State& state) {
    Fonts fonts;
    std::string all;
    for (const std::string& line : fonts.lines) all += line + "|";
    CMultilineText6 text(nullptr, true, nullptr);
    text.setFont(fonts.collection.get());
    text.setJustify(CXRect(0, 0, 800, 600), LEFT, TOP);
    double engine = 0, baseline = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        text.setText(CXString(all.c_str()));
        const double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;

        start = Clock::now();
        int width = 0;
        for (const std::string& line : fonts.lines)
            width += CText6::getLength(fonts.regular.get(), CXString(line.c_str()));
        benchmark::DoNotOptimize(width);
        baseline += seconds(start);
    }
    if (text.getLineCount() != 2 * kLines) state.SkipWithError("the lines did not come out as written");
    state.counters["x_measure"] = engine / baseline;
}
BENCHMARK(BM_LayOut25LinesBySetText)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
