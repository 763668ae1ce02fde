// Pictures from their persisted form through the memory stream, against Qt reading the same
// bytes straight from memory: the cost of the stream, the format check and the picture object.
// Bitmaps go through the library's own DIB decoder, so that ratio shows the decoder against
// Qt's BMP reader.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include "platform/pictures/PictureLoader.h"
#include "resources/CIStream.h"

namespace {

using namespace lv8int;

// A 256 by 256 picture with some detail, saved in a format.
std::string encoded(const char* format) {
  QImage image(256, 256, QImage::Format_RGB32);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) image.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toStdString();
}

std::string persisted(const std::string& data) {
  std::string s("lt\0\0", 4);
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((data.size() >> (8 * i)) & 0xFF));
  return s + data;
}

void viaStream(benchmark::State& state, const char* format) {
  const std::string form = persisted(encoded(format));
  for (auto _ : state) {
    Ref<CIStream> stream = make<CIStream>();
    stream->SetBuffer(form);
    Ref<Picture> p = pictures::loadFromStream(*stream);
    benchmark::DoNotOptimize(p->Handle());
  }
}

void rawQt(benchmark::State& state, const char* format) {
  const std::string data = encoded(format);
  for (auto _ : state) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(data.data()), static_cast<int>(data.size()), format);
    benchmark::DoNotOptimize(image.constBits());
  }
}

BENCHMARK_CAPTURE(viaStream, png, "PNG");
BENCHMARK_CAPTURE(rawQt, png, "PNG");
BENCHMARK_CAPTURE(viaStream, bmp, "BMP");
BENCHMARK_CAPTURE(rawQt, bmp, "BMP");

}  // namespace
