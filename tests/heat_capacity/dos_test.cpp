// The fixed program's DOS file as a whole: eleven header lines and 339
// records read through the free-form reader, and each failure's site.
#include <gtest/gtest.h>

#include <string>

#include "common/freeform.hpp"
#include "heat_capacity/dos.hpp"

namespace {

using common::listreader;

std::string dosfile(int headers, int recs, const std::string& extra = "") {
  std::string s;
  for (int i = 0; i < headers; ++i) s += "# header " + std::to_string(i) + "\n";
  for (int i = 0; i < recs; ++i) s += std::to_string(i) + ".0 " + std::to_string(i) + ".5 extra\n";
  return s + extra;
}

bool parse(const std::string& s, heat_capacity::dostable& t, heat_capacity::failure& f) {
  listreader r(s.data(), s.size());
  return heat_capacity::parsedos(r, t, f);
}

TEST(DosFile, ReadsElevenHeadersAnd339Records) {
  heat_capacity::dostable t;
  heat_capacity::failure f;
  // Lines after the 339th record are never read, whatever they hold.
  ASSERT_TRUE(parse(dosfile(11, 339, "garbage ' \" /\n"), t, f));
  EXPECT_EQ(t.energy[0], 0.0);
  EXPECT_EQ(t.energy[338], 338.0);
  EXPECT_EQ(t.dos[338], 338.5);
}

TEST(DosFile, FailuresNameSiteAndRecord) {
  heat_capacity::dostable t;
  heat_capacity::failure f;
  EXPECT_FALSE(parse(dosfile(11, 338), t, f));
  EXPECT_EQ(f.site, heat_capacity::siterecord);
  EXPECT_EQ(f.channel, heat_capacity::chandos);
  EXPECT_STREQ(f.what, "end of file in record 339");
  EXPECT_FALSE(parse(dosfile(10, 0), t, f));
  EXPECT_EQ(f.site, heat_capacity::sitehead);
  EXPECT_STREQ(f.what, "end of file in header line 11");
  std::string s = dosfile(11, 16) + "1.0 abc\n";
  EXPECT_FALSE(parse(s, t, f));
  EXPECT_EQ(f.site, heat_capacity::siterecord);
  EXPECT_STREQ(f.what, "record 17, item 2 is not a number: \"abc\"");
}

TEST(DosFile, UnassignedElementsHoldZero) {
  heat_capacity::dostable t;
  heat_capacity::failure f;
  std::string s = dosfile(11, 0) + ",1\n2 /\n" + dosfile(0, 337);
  ASSERT_TRUE(parse(s, t, f));
  EXPECT_EQ(t.energy[0], 0.0);
  EXPECT_EQ(t.dos[0], 1.0);
  EXPECT_EQ(t.energy[1], 2.0);
  EXPECT_EQ(t.dos[1], 0.0);
}

// The last record of a file may end without a line end, whatever ends its
// items: a slash or a null repeat there is as complete as a number (gfortran
// reports end of file for the slash and the repeat).
TEST(DosFile, LastRecordWithoutLineEndEndingInSlashOrRepeat) {
  for (const char* last : {"1.0e-3 /", "1.0e-3 2*", "1.0e-3 2*4.5", "1.0e-3,,", "1.0e-3 4.5"}) {
    heat_capacity::dostable t;
    heat_capacity::failure f;
    t.dos[338] = 9.0;
    ASSERT_TRUE(parse(dosfile(11, 338) + last, t, f)) << last << ": " << f.what;
    EXPECT_EQ(t.energy[338], 1.0e-3) << last;
    const std::string l(last);
    EXPECT_EQ(t.dos[338], l.back() == '5' ? 4.5 : 9.0) << last;  // a null leaves the value as it was
  }
}

TEST(DosFile, MissingFileFailsAtOpen) {
  heat_capacity::dostable t;
  heat_capacity::failure f;
  EXPECT_FALSE(heat_capacity::readdos(t, f, "/nonexistent/dir/file"));
  EXPECT_EQ(f.site, heat_capacity::siteopen);
  EXPECT_NE(std::string(f.what).find("No such file"), std::string::npos);
  EXPECT_FALSE(heat_capacity::readdos(t, f, "/"));
  EXPECT_EQ(f.site, heat_capacity::siteopen);
}

}  // namespace
