#include "platform/pictures/PictureLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/automation/AutomationError.h"
#include "platform/pictures/Dib.h"
#include "resources/CIStream.h"
#include "support/PeFixtures.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"

namespace lv8int::pictures {
namespace {

using test::errorOf;

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00A000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

bool near(QRgb a, QRgb b, int tolerance = 4) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance && qAlpha(a) == qAlpha(b);
}

LoadOptions sized(int32_t size, int32_t depth = kDepthDefault, int32_t x = 0, int32_t y = 0) {
  LoadOptions o;
  o.size = size;
  o.colorDepth = depth;
  o.x = x;
  o.y = y;
  return o;
}

struct FileCase {
  const char* file;
  LoadOptions options;
  int16_t type;
  int width, height;
  QPoint probe;
  QRgb colour;
};

// Each file decodes to the picture its generator drew; icons pick the image for the size and
// colour depth asked for.
TEST(PictureFiles, DecodeToWhatWasDrawn) {
  const FileCase cases[] = {
      {"bmp24.bmp", {}, Picture::kBitmap, 8, 6, {0, 0}, kRed},
      {"bmp24.bmp", {}, Picture::kBitmap, 8, 6, {7, 5}, kBlue},
      {"bmp8.bmp", {}, Picture::kBitmap, 4, 4, {1, 0}, kGreen},
      {"bmp1.bmp", {}, Picture::kBitmap, 9, 3, {8, 0}, kBlack},
      {"bmp1.bmp", {}, Picture::kBitmap, 9, 3, {8, 1}, kWhite},
      {"pic.gif", {}, Picture::kBitmap, 5, 4, {0, 0}, kRed},
      {"pic.gif", {}, Picture::kBitmap, 5, 4, {4, 3}, kBlue},
      {"pic.jpg", {}, Picture::kBitmap, 8, 8, {3, 3}, 0xFFFF8000},
      {"exact100.png", {}, Picture::kBitmap, 3, 2, {2, 1}, kGreen},
      // Size codes and sizes: no code takes the image nearest 32 pixels as it is.
      {"icon12.ico", {}, Picture::kIcon, 32, 32, {5, 5}, kGreen},
      {"icon12.ico", {}, Picture::kIcon, 32, 32, {0, 0}, 0},  // transparent through the AND mask
      {"icon12.ico", sized(kSizeSmall), Picture::kIcon, 16, 16, {8, 8}, kRed},
      {"icon12.ico", sized(kSizeLargeShell), Picture::kIcon, 32, 32, {8, 8}, kGreen},
      {"icon12.ico", sized(kSizeCustom, 0, 48, 48), Picture::kIcon, 48, 48, {8, 8}, kBlue},
      // 24 is as far from 16 as from 32: the larger image is scaled down.
      {"icon12.ico", sized(kSizeCustom, 0, 24, 24), Picture::kIcon, 24, 24, {12, 12}, kGreen},
      {"depth.ico", sized(kSizeLarge), Picture::kIcon, 32, 32, {9, 9}, kGreen},
      {"depth.ico", sized(kSizeLarge, kDepthVGA), Picture::kIcon, 32, 32, {9, 9}, kRed},
      {"depth.ico", sized(kSizeLarge, kDepthColor), Picture::kIcon, 32, 32, {9, 9}, kRed},
      {"depth.ico", sized(kSizeLarge, kDepthMonochrome), Picture::kIcon, 32, 32, {9, 9}, kRed},
      {"arrow.cur", {}, Picture::kIcon, 32, 32, {1, 1}, 0xFFFF8000},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.file);
    Ref<Picture> p = loadPicture(fromUtf8(test::peImage(c.file)), c.options);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Type(), c.type);
    EXPECT_EQ(p->image().size(), QSize(c.width, c.height));
    EXPECT_EQ(p->Width(), Picture::toHimetric(c.width));
    QRgb got = p->image().pixel(c.probe);
    EXPECT_TRUE(c.colour == 0 ? qAlpha(got) == 0 : near(got, c.colour)) << std::hex << got;
  }
}

TEST(PictureFiles, CursorsKeepTheirHotSpotWhenScaled) {
  Ref<Picture> p = loadPicture(fromUtf8(test::peImage("arrow.cur")));
  ASSERT_TRUE(p && p->isCursor());
  EXPECT_EQ(p->hotSpot(), QPoint(5, 7));
  p = loadPicture(fromUtf8(test::peImage("arrow.cur")), sized(kSizeSmall));
  EXPECT_EQ(p->hotSpot(), QPoint(2, 3));
}

TEST(PictureFiles, FailuresAreClear) {
  EXPECT_FALSE(loadPicture(u""));
  EXPECT_EQ(errorOf([] { loadPicture(u"/no/such/picture.bmp"); }), 53);
  EXPECT_EQ(errorOf([] { loadPicture(fromUtf8(test::peImage("notapicture.bin"))); }), 481);
  EXPECT_EQ(errorOf([] { loadPicture(fromUtf8(test::peImage("bmp24.bmp")), sized(5)); }), 5);
  EXPECT_EQ(errorOf([] { loadPicture(fromUtf8(test::peImage("bmp24.bmp")), sized(0, 4)); }), 5);
  // A picture's bytes cut anywhere give 481 or a picture, never a crash.
  for (const char* file : {"bmp24.bmp", "bmp8.bmp", "icon12.ico", "arrow.cur", "pic.gif", "pic.jpg", "exact100.png"}) {
    const std::string whole = test::readBytes(test::peImage(file));
    for (size_t n = 0; n < whole.size(); n += 7) {
      int32_t e = errorOf([&] { loadPictureData(whole.substr(0, n)); });
      EXPECT_TRUE(e == 0 || e == 481) << file << " cut at " << n << ": " << e;
    }
  }
}

TEST(PictureFiles, HeadersPromisingMoreThanTheDataAreRefused) {
  std::string bmp = test::readBytes(test::peImage("bmp24.bmp"));
  // 30000 by 30000 pixels over a few bytes: refused before anything is allocated for them.
  bmp.replace(18, 8, std::string("\x30\x75\0\0\x30\x75\0\0", 8));
  EXPECT_EQ(errorOf([&] { loadPictureData(bmp); }), 481);
  std::string ico = test::readBytes(test::peImage("icon12.ico"));
  ico.replace(6 + 12, 4, std::string("\xF0\xFF\xFF\x7F", 4));  // first image's offset outside the file
  ico.replace(6 + 16 + 12, 4, std::string("\xF0\xFF\xFF\x7F", 4));
  ico.replace(6 + 32 + 12, 4, std::string("\xF0\xFF\xFF\x7F", 4));
  EXPECT_EQ(errorOf([&] { loadPictureData(ico); }), 481);
}

TEST(Picture, AnswersByNameWithAStableHandle) {
  Ref<Picture> a = loadPicture(fromUtf8(test::peImage("bmp24.bmp")));
  Ref<Picture> b = loadPicture(fromUtf8(test::peImage("bmp24.bmp")));
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->Handle(), 0);
  EXPECT_NE(a->Handle(), b->Handle());
  EXPECT_EQ(CLng(a->get(u"handle")), a->Handle());
  EXPECT_EQ(CLng(a->get(u"Handle")), a->Handle());
  EXPECT_EQ(CInt(a->get(u"Type")), 1);
  EXPECT_EQ(CLng(a->get(u"Width")), 212);   // 8 pixels
  EXPECT_EQ(CLng(a->get(u"Height")), 159);  // 6 pixels
  EXPECT_EQ(Picture::toHimetric(32), 847);
  EXPECT_FALSE(a->pixmap().isNull());  // the tests run a GUI application
}

// The persisted form: "lt", 0, 0, the size, the data.
std::string persisted(const std::string& data, uint32_t size) {
  std::string s("lt\0\0", 4);
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
  return s + data;
}

Ref<Picture> fromStream(const std::string& bytes) {
  Ref<CIStream> stream = make<CIStream>();
  stream->SetBuffer(bytes);
  return loadFromStream(*stream);
}

TEST(PictureStream, EveryFormatLoadsFromItsPersistedForm) {
  struct Case {
    const char* file;
    int16_t type;
    QSize size;
  };
  const Case cases[] = {{"bmp24.bmp", Picture::kBitmap, {8, 6}}, {"pic.gif", Picture::kBitmap, {5, 4}},
                        {"pic.jpg", Picture::kBitmap, {8, 8}},   {"exact100.png", Picture::kBitmap, {3, 2}},
                        {"icon12.ico", Picture::kIcon, {32, 32}}};
  for (const Case& c : cases) {
    const std::string data = test::readBytes(test::peImage(c.file));
    Ref<Picture> p = fromStream(persisted(data, static_cast<uint32_t>(data.size())));
    ASSERT_TRUE(p) << c.file;
    EXPECT_EQ(p->Type(), c.type) << c.file;
    EXPECT_EQ(p->image().size(), c.size) << c.file;
    // Without the header the stream is the data itself.
    EXPECT_TRUE(fromStream(data)) << c.file;
  }
}

TEST(PictureStream, SizeFieldThatLiesIsInvalid) {
  const std::string png = test::readBytes(test::peImage("exact100.png"));
  EXPECT_EQ(errorOf([&] { fromStream(persisted(png, 101)); }), 481);        // more than there is
  EXPECT_EQ(errorOf([&] { fromStream(persisted(png, 0xFFFFFFFF)); }), 481);  // no allocation of 4 GB
  EXPECT_EQ(errorOf([&] { fromStream(persisted(png, 0)); }), 481);
  EXPECT_EQ(errorOf([&] { fromStream(persisted(png, 50)); }), 481);  // a cut PNG
  EXPECT_EQ(errorOf([&] { fromStream(std::string()); }), 481);
  // Extra bytes after the data are not read.
  EXPECT_TRUE(fromStream(persisted(png + "trailing", 100)));
}

}  // namespace
}  // namespace lv8int::pictures
