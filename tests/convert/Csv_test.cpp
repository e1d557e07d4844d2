#include "convert/Csv.h"

#include <gtest/gtest.h>

#include <random>

#include "TempDir.h"
#include "platform/Cp932.h"
#include "runtime/RuntimeError.h"

using namespace zuvo::convert;

TEST(CsvLineTest, QuotesEveryFieldWithoutEscaping) {
  std::u16string line;
  appendCsvField(line, u"a\"b");
  appendCsvField(line, u"c,d");
  appendCsvField(line, u"");
  endCsvLine(line);
  EXPECT_EQ(line, u"\"a\"b\",\"c,d\",\"\"\r\n");
}

TEST(CsvCountTest, CountsCommasOutsideQuotes) {
  EXPECT_EQ(countCsvFields(u"\"a\",\"b,c\",d"), 3);
  EXPECT_EQ(countCsvFields(u"a,b"), 2);
  EXPECT_EQ(countCsvFields(u"\"abc\""), 0);
  EXPECT_EQ(countCsvFields(u"a,"), 2);
  EXPECT_EQ(countCsvFields(u""), 0);
  EXPECT_EQ(countCsvFields(u"\"a,b"), 0);
  EXPECT_THROW(countCsvFields(std::u16string(40000, u'a')), zuvo::RuntimeError);
}

namespace {

std::vector<std::u16string> readAll(const std::string& bytes, std::size_t n,
                                    CsvFieldReader::Record* last = nullptr) {
  TempDir dir;
  dir.write("f.csv", bytes);
  TextReader file;
  EXPECT_TRUE(file.open(dir.name("f.csv")));
  CsvFieldReader reader(file);
  std::vector<std::u16string> all, fields;
  CsvFieldReader::Record r;
  while ((r = reader.readRecord(fields, n)) == CsvFieldReader::Record::Complete)
    all.insert(all.end(), fields.begin(), fields.end());
  if (last) *last = r;
  return all;
}

}  // namespace

TEST(CsvFieldReaderTest, ReadsQuotedAndPlainFieldsAcrossLines) {
  using V = std::vector<std::u16string>;
  CsvFieldReader::Record end;
  // Blanks before a field go; a line end separates like a comma; a record may span lines.
  EXPECT_EQ(readAll("\"a,b\",  c\r\n\"d\"\r\n1,\"2\"\r\n", 2, &end), (V{u"a,b", u"c", u"d", u"1"}));
  EXPECT_EQ(end, CsvFieldReader::Record::Truncated);
  EXPECT_EQ(readAll("a,b\nc,d\re,f", 2, &end), (V{u"a", u"b", u"c", u"d", u"e", u"f"}));
  EXPECT_EQ(end, CsvFieldReader::Record::End);
  // Text after a closing quote is dropped; a quoted field keeps its line ends.
  EXPECT_EQ(readAll("\"x\"yz,\"l1\r\nl2\"\r\n", 2), (V{u"x", u"l1\r\nl2"}));
  // A comma before the end of the file still gives an empty last field.
  EXPECT_EQ(readAll("a,", 2), (V{u"a", u""}));
  // Blank lines between records and at the end are no record.
  EXPECT_EQ(readAll("a,b\r\n\r\n\r\nc,d\r\n\r\n", 2, &end), (V{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(end, CsvFieldReader::Record::End);
}

TEST(CsvFieldReaderTest, DecodesItsEncodingAndNamesTheFieldOfInvalidBytes) {
  using zuvo::TextEncoding;
  struct Case {
    TextEncoding encoding;
    std::string bytes;
    std::u16string second;
    std::int32_t invalid;
  };
  const Case cases[] = {
      {TextEncoding::ShiftJis, "1,\"" + zuvo::cp932::encode(u"山田") + "\"\r\n", u"山田", -1},
      {TextEncoding::ShiftJis, "1,\"\x85\x40\"\r\n", u"?", 1},  // a pair that names nothing
      {TextEncoding::Utf8, "1,\"\xE5\xB1\xB1\xEF\xBF\xBD\"\r\n", u"山\uFFFD", -1},
      {TextEncoding::Utf8, "\xFF,x\r\n", u"x", 0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("f.csv", c.bytes);
    TextReader file(c.encoding);
    ASSERT_TRUE(file.open(dir.name("f.csv")));
    CsvFieldReader reader(file);
    std::vector<std::u16string> fields;
    ASSERT_EQ(reader.readRecord(fields, 2), CsvFieldReader::Record::Complete) << c.bytes;
    EXPECT_EQ(fields[1], c.second) << c.bytes;
    EXPECT_EQ(reader.invalidField(), c.invalid) << c.bytes;
  }
}

namespace {

std::vector<std::string> readAllBytes(const std::string& bytes, std::size_t n,
                                      CsvFieldReader::Record* last) {
  TempDir dir;
  dir.write("f.csv", bytes);
  TextReader file;
  EXPECT_TRUE(file.open(dir.name("f.csv")));
  CsvByteRecordReader reader(file);
  std::vector<std::string> all;
  CsvFieldReader::Record r;
  while ((r = reader.readRecord(n)) == CsvFieldReader::Record::Complete)
    for (std::size_t k = 0; k < n; ++k) all.emplace_back(reader.field(k));
  *last = r;
  return all;
}

}  // namespace

// The byte reader parses records where they lie in its buffer: it must read what the field
// reader reads, also for records across the buffer's refills and longer than the buffer.
TEST(CsvByteRecordReaderTest, ReadsWhatTheFieldReaderReads) {
  std::vector<std::string> inputs = {
      "\"a,b\",  c\r\n\"d\"\r\n1,\"2\"\r\n",
      "a,b\nc,d\re,f",
      "\"x\"yz,\"l1\r\nl2\"\r\n",
      "a,",
      "a,b\r\n\r\n\r\nc,d\r\n\r\n",
      "\"open",
      "a\r",
      "",
      "  ,\"\"  x,\r\n",
      "\"" + std::string(200000, 'q') + "\",z\r\n" + std::string(150000, 'w') + ",\"v\""};
  // A line end split by the end of the first read: its LF is no separator of its own.
  inputs.push_back(std::string(65534, 'x') + ",\r\ny\r\n");
  std::mt19937 random(7);
  const std::string tokens[] = {"\"", ",", "\r", "\n", "\r\n", " ", "ab", "\x8A\xBF", "0"};
  for (int size : {100, 70000, 140000}) {
    std::string s;
    while (static_cast<int>(s.size()) < size) s += tokens[random() % std::size(tokens)];
    inputs.push_back(s);
  }
  for (const std::string& input : inputs) {
    for (std::size_t n : {1, 2, 3}) {
      CsvFieldReader::Record fieldEnd, byteEnd;
      std::vector<std::u16string> expected = readAll(input, n, &fieldEnd);
      std::vector<std::string> got = readAllBytes(input, n, &byteEnd);
      EXPECT_EQ(byteEnd, fieldEnd) << input.substr(0, 40);
      ASSERT_EQ(got.size(), expected.size()) << input.substr(0, 40);
      for (std::size_t i = 0; i < got.size(); ++i) {
        std::u16string decoded;
        decodeShiftJis(got[i], decoded);
        EXPECT_EQ(decoded, expected[i]) << i;
      }
    }
  }
}
