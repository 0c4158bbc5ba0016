// The zlib wrapper: whole-string inflate, its error texts, and the streaming form fed byte by byte.
#include "pack/ZLibOpen.h"

#include <gtest/gtest.h>

#include "PackFixture.h"

TEST(ZLib, InflateStringAndErrors) {
  std::string text(100000, 'x');
  text += "tail";
  std::string z = fixture::Deflate(text, 9);
  int pumps = 0;
  Inflated whole = InflateString(z, [&] { ++pumps; });
  EXPECT_EQ(whole.error, Z_OK);
  EXPECT_EQ(whole.data, text);
  EXPECT_GE(pumps, 2);
  EXPECT_EQ(InflateString(fixture::Deflate("")).data, "");

  struct Case {
    std::string input;
    int code;
  } cases[] = {{"not zlib at all", Z_DATA_ERROR}, {z.substr(0, z.size() / 2), Z_BUF_ERROR}, {"", Z_BUF_ERROR}};
  for (const Case& c : cases) {
    Inflated failed = InflateString(c.input);
    EXPECT_EQ(failed.error, c.code) << c.input.size();
    EXPECT_EQ(failed.data, "");
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
  EXPECT_EQ(InflateString(out).error, Z_NEED_DICT);
}

TEST(ZLib, ErrorTexts) {
  const char* texts[] = {"file error",          "stream error", "data error",
                         "insufficient memory", "buffer error", "incompatible version"};
  for (int code = -1; code >= -6; --code) EXPECT_EQ(ZLibErrorText(code), texts[-code - 1]);
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
  EXPECT_EQ(stream.Error(), Z_OK);
  EXPECT_EQ(result, text);
  EXPECT_LE(largest, TInflateStream::kInflateOutputSize);
}
