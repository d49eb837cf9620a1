// Content of the sample book and its two pictures, drawn in code.
#include "sample_book.h"

#include "tiny_gif.h"

#include <cstdint>
#include <string>

namespace {

// A harbour at noon: sky, sun, a hill, a striped lighthouse and the sea.
std::vector<unsigned char> MakeHarbourPicture()
{
    constexpr int kWidth = 120;
    constexpr int kHeight = 80;
    enum : std::uint8_t { kSkyHigh, kSkyLow, kSun, kHill, kSea, kWave, kWhite, kRed, kRock };
    const std::vector<GifColor> palette = {
        {86, 150, 214}, {150, 196, 236}, {250, 214, 60}, {70, 132, 64}, {28, 82, 140},
        {120, 170, 210}, {245, 245, 240}, {196, 40, 40}, {90, 84, 78},
    };
    std::vector<std::uint8_t> pixels;
    pixels.reserve(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int sunX = x - 92, sunY = y - 16;
            const bool inTower = x >= 24 && x < 32 && y >= 20 && y < 52;
            const bool inLamp = x >= 22 && x < 34 && y >= 16 && y < 20;
            std::uint8_t color = y < 24 ? kSkyHigh : kSkyLow;
            if (sunX * sunX + sunY * sunY <= 81) color = kSun;
            if (y >= 40 && y < 56 && (x - 60) * (x - 60) / 40 + (56 - y) * 2 < 36) color = kHill;
            if (x >= 18 && x < 38 && y >= 52 && y < 56) color = kRock;
            if (inLamp) color = kRed;
            if (inTower) color = ((y - 20) / 4) % 2 == 0 ? kWhite : kRed;
            if (y >= 56) color = (y % 6 == 0 && (x + y) % 12 < 6) ? kWave : kSea;
            pixels.push_back(color);
        }
    }
    return EncodeGif(kWidth, kHeight, palette, pixels);
}

// A row of diamonds, used as a chapter-end ornament.
std::vector<unsigned char> MakeOrnamentPicture()
{
    constexpr int kWidth = 48;
    constexpr int kHeight = 12;
    const std::vector<GifColor> palette = {{250, 244, 228}, {140, 30, 40}};
    std::vector<std::uint8_t> pixels;
    pixels.reserve(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int dx = x % 12 - 6, dy = y - 6;
            pixels.push_back((dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) <= 4 ? 1 : 0);
        }
    }
    return EncodeGif(kWidth, kHeight, palette, pixels);
}

struct Chapter {
    const char* heading;
    const char* paragraphs[2];
    const char* picture;  // markup after the text, or nullptr
};

constexpr const char* kHarbourPicture = R"(<p align="center"><img recindex="00001" /></p>)";
constexpr const char* kOrnament = R"(<p align="center"><img recindex="00002" /></p>)";

const Chapter kChapters[] = {
    {"Chapter One: The Café by the Harbour",
     {"The café stood where the quay bent towards the lighthouse, a narrow house with blue shutters and a "
      "chalkboard that promised soup &amp; bread at any hour. Fishermen came in before dawn, shook the salt "
      "from their coats and argued about the weather as if it could hear them.",
      "Marta, who ran the place, kept a ledger of every storm since her grandmother’s time. She did not "
      "believe the ledger could predict anything, but she liked to read it aloud on quiet evenings, and the "
      "regulars liked to pretend they were not listening."},
     kHarbourPicture},
    {"Chapter Two: A Naïve Plan",
     {"It was a naïve plan, everyone agreed: to row a piano across the bay for the summer festival. The "
      "piano belonged to the schoolmaster, who had not been asked, and the boat belonged to nobody in "
      "particular, which in the harbour meant it belonged to whoever was awake first.",
      "They tied the instrument down with washing lines and set off at slack water. Halfway across, a gull "
      "landed on the lid and struck a single, solemn note, and the rowers laughed so hard that they lost "
      "an oar and had to be towed home by the ferry."},
     nullptr},
    {"Chapter Three: Grüße from the North",
     {"A postcard arrived in October, addressed simply to “the café with the blue shutters”. It carried "
      "warm Grüße from a traveller who had stayed one night in March and had never forgotten the soup. The "
      "card showed a frozen lake and a row of red cabins under a pale sky.",
      "Marta pinned it above the counter beside the tide tables. By winter the wall held eleven more cards "
      "from eleven more places, and the fishermen began to plan journeys they would never take."},
     kOrnament},
    {"Chapter Four: The Œuvre of Small Things",
     {"The painter who rented the room upstairs called the harbour her œuvre, though she had only ever "
      "finished three pictures of it. She painted the façade of the café in every season: grey in rain, "
      "gold in the long June evenings, and once, by mistake, bright green.",
      "When she left, she gave the green painting to Marta, who hung it by the door. Visitors asked about "
      "it so often that the café became known, for a while, as the Green House, although nothing in it "
      "had ever been green except the painting and, on bad crossings, the ferry passengers."},
     kOrnament},
};

}  // namespace

MobiBook MakeSampleBook()
{
    MobiBook book;
    book.title = "Harbour Notes: A Corvale Sample Book";
    book.author = "The Corvale Project";
    book.images = {MakeHarbourPicture(), MakeOrnamentPicture()};

    std::string& html = book.html;
    html = "<html><head><guide></guide></head><body>";
    html += "<h1>Harbour Notes</h1>";
    bool first = true;
    for (const Chapter& chapter : kChapters) {
        if (!first) html += "<mbp:pagebreak/>";
        first = false;
        html += "<h2>";
        html += chapter.heading;
        html += "</h2>";
        for (const char* paragraph : chapter.paragraphs) {
            html += "<p>";
            html += paragraph;
            html += "</p>";
        }
        if (chapter.picture) html += chapter.picture;
    }
    html += "</body></html>";
    return book;
}
