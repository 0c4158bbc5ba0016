// The zlib wrapper: whole-string inflate, its error texts, and the streaming form fed byte by byte.
#include "pack/ZLibOpen.h"

#include <gtest/gtest.h>

#include "PackFixture.h"

TEST(ZLib, InflateStringAndErrors) {
  std::string text(100000, 'x');
  text += "tail";
  std::string z = fixture::Deflate(text, 9);
  int pumps = 0;
  EXPECT_EQ(InflateString(z, [&] { ++pumps; }), text);
  EXPECT_GE(pumps, 2);
  EXPECT_EQ(InflateString(fixture::Deflate("")), "");

  struct Case {
    std::string input;
    int code;
  } cases[] = {{"not zlib at all", Z_DATA_ERROR}, {z.substr(0, z.size() / 2), Z_BUF_ERROR}, {"", Z_BUF_ERROR}};
  for (const Case& c : cases) {
    try {
      InflateString(c.input);
      ADD_FAILURE() << c.code;
    } catch (const EZLibError& e) {
      EXPECT_EQ(e.Code(), c.code);
      EXPECT_EQ(e.what(), ZLibErrorText(c.code));
    }
  }
  // A stream that asks for a preset dictionary can never finish.
  z_stream s{};
  deflateInit(&s, 6);
  deflateSetDictionary(&s, reinterpret_cast<const Bytef*>("dict"), 4);
  std::string out(64, '\0');
  s.next_in = reinterpret_cast<Bytef*>(text.data());
  s.avail_in = 10;
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = uInt(out.size());
  deflate(&s, Z_FINISH);
  out.resize(out.size() - s.avail_out);
  deflateEnd(&s);
  EXPECT_THROW(InflateString(out), EZLibError);
}

TEST(ZLib, ErrorTexts) {
  const char* texts[] = {"file error",          "stream error", "data error",
                         "insufficient memory", "buffer error", "incompatible version"};
  for (int code = -1; code >= -6; --code) EXPECT_EQ(EZLibError(code).what(), std::string(texts[-code - 1]));
}

TEST(ZLib, StreamFedInSmallPieces) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += char('a' + i % 23);
  std::string z = fixture::Deflate(text) + "trailing bytes after the stream";
  TInflateStream stream;
  std::string result;
  size_t pieces = 0, largest = 0;
  for (size_t i = 0; i < z.size() && !stream.Ended(); i += 7)
    stream.Feed(std::string_view(z).substr(i, 7), [&](std::string_view piece) {
      result.append(piece);
      ++pieces;
      largest = std::max(largest, piece.size());
    });
  EXPECT_TRUE(stream.Ended());
  EXPECT_EQ(result, text);
  EXPECT_LE(largest, TInflateStream::kInflateOutputSize);
}
