// Replies, passive ports, FEAT, MLST and LIST lines as servers write them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ftp/core/ftp_reply.h"
#include "ftp/core/listing_parsers.h"
#include "ftp/core/passive_reply.h"

namespace velmor::ftp {
namespace {

// The replies a byte stream gives, as "code:lines" separated by " | ",
// ending in the reader's verdict on what follows; fed in pieces of `piece`.
std::string ReadAll(const std::string& bytes, size_t piece) {
    ReplyReader reader;
    std::string out;
    for (size_t at = 0;; at += piece) {
        if (at < bytes.size()) reader.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
        FtpReply reply;
        ReplyReader::State state;
        while ((state = reader.Next(&reply)) == ReplyReader::State::kReply) {
            out += std::to_string(reply.code) + ":" + std::to_string(reply.lines.size()) + " | ";
        }
        if (state == ReplyReader::State::kGarbage) return out + "garbage";
        if (state == ReplyReader::State::kTooLong) return out + "too long";
        if (at >= bytes.size()) return out + (reader.HasPending() ? "partial" : "end");
    }
}

TEST(FtpReplyReader, RepliesInAnySplit) {
    const struct {
        std::string bytes;
        const char* replies;
    } cases[] = {
        {"220 ready\r\n", "220:1 | end"},
        {"220\r\n230 bare LF\n", "220:1 | 230:1 | end"},
        {"211-Features:\r\n UTF8\r\n211-not yet\r\n2110 no\r\n 211 no\r\n211 End\r\n",
         "211:6 | end"},
        {"220-a\r\n221 other code\r\n220 end\r\n150 next\r\n", "220:3 | 150:1 | end"},
        {"220 ready\r\n230 half", "220:1 | partial"},
        {"220-open\r\n", "partial"},
        {"hello\r\n", "garbage"},
        {"2200 x\r\n", "garbage"},
        {"620 x\r\n", "garbage"},
        {"22\r\n", "garbage"},
        {"220 ok\r\n\r\n", "220:1 | garbage"},
        {"220 " + std::string(kMaxReplyLineBytes - 4, 'x') + "\r\n", "220:1 | end"},
        {"220 " + std::string(kMaxReplyLineBytes - 3, 'x') + "\r\n", "too long"},
        {"220 " + std::string(1 << 20, 'x'), "too long"},
    };
    for (const auto& c : cases) {
        for (size_t piece : {size_t{1}, size_t{7}, size_t{4096}, c.bytes.size() + 1}) {
            EXPECT_EQ(c.replies, ReadAll(c.bytes, piece))
                << c.bytes.substr(0, 60) << " in " << piece;
        }
    }
    // Many short lines add up to the reply bound.
    std::string flood = "220-start\r\n";
    while (flood.size() <= 2 * kMaxReplyBytes) flood += " line of a banner that does not end\r\n";
    EXPECT_EQ("too long", ReadAll(flood, 4096));
}

TEST(FtpReplyReader, ErrorsStickAndResetClears) {
    ReplyReader reader;
    reader.Feed("junk\r\n220 ok\r\n", 14);
    FtpReply reply;
    EXPECT_EQ(ReplyReader::State::kGarbage, reader.Next(&reply));
    reader.Feed("220 ok\r\n", 8);
    EXPECT_EQ(ReplyReader::State::kGarbage, reader.Next(&reply));
    reader.Reset();
    reader.Feed("220 ok\r\n", 8);
    EXPECT_EQ(ReplyReader::State::kReply, reader.Next(&reply));
    EXPECT_EQ("ok", reply.FirstText());
}

TEST(FtpPassiveReply, PortsOnly) {
    const struct {
        const char* line;
        int pasv;  // -1: none
        int epsv;
    } cases[] = {
        {"227 Entering Passive Mode (127,0,0,1,195,80).", 50000, -1},
        {"227 Entering Passive Mode 10,0,0,1,4,1", 1025, -1},
        {"227 =192,168,1,2,0,21", 21, -1},
        {"227 Mode (1,2,3,4,0,0)", -1, -1},
        {"227 Mode (1,2,3,4,256,1)", -1, -1},
        {"227 Mode (1,2,3,4,5)", -1, -1},
        {"227 Mode (1,2,3,4,5,6,7) then (9,9,9,9,0,80)", 80, -1},
        {"227 Mode (1,2,3,4,0,0255)", -1, -1},
        {"227", -1, -1},
        {"229 Entering Extended Passive Mode (|||6446|)", -1, 6446},
        {"229 ok (!!!65535!)", -1, 65535},
        {"229 ok (|||65536|)", -1, -1},
        {"229 ok (|||0|)", -1, -1},
        {"229 ok (|||123456|)", -1, -1},
        {"229 ok (||1|80|)", -1, -1},
        {"229 ok (|||80)", -1, -1},
        {"229 ok (111801)", -1, -1},
        {"229 ok (x) (|||21|)", -1, 21},
        {"229 (", -1, -1},
    };
    for (const auto& c : cases) {
        const auto pasv = ParsePassivePort(c.line);
        const auto epsv = ParseExtendedPassivePort(c.line);
        EXPECT_EQ(c.pasv, pasv ? *pasv : -1) << c.line;
        EXPECT_EQ(c.epsv, epsv ? *epsv : -1) << c.line;
    }
}

TEST(FtpFeatures, AnnouncedFeatures) {
    auto parse = [](std::vector<std::string> lines) {
        FtpReply reply;
        reply.code = std::stoi(lines[0].substr(0, 3));
        reply.lines = std::move(lines);
        const FtpFeatures f = ParseFeatures(reply);
        return std::string(f.utf8 ? "utf8 " : "") + (f.mlst ? "mlst " : "") +
               (f.mlstSize ? "mlst-size " : "") + (f.epsv ? "epsv " : "") + (f.size ? "size" : "");
    };
    EXPECT_EQ("utf8 mlst mlst-size epsv size",
              parse({"211-Features:", " UTF8", " MLST type*;Size*;modify*;", " EPSV", " SIZE",
                     "211 End"}));
    // Facts without '*' are off; feature lines start with a blank.
    EXPECT_EQ("mlst ", parse({"211-Features:", " mlst type*;size;", "UTF8", " EPSVX", "211 End"}));
    EXPECT_EQ("", parse({"500 FEAT not understood"}));
    EXPECT_EQ("", parse({"211 No features"}));
}

std::string Entry(const std::optional<RemoteEntry>& e) {
    if (!e) return "none";
    return "[" + e->name + "]" + (e->isDirectory ? " dir" : "") + (e->isLink ? " link" : "") +
           (e->isCurrentOrParent ? " self" : "") +
           (e->sizeKnown ? " " + std::to_string(e->size) : "") +
           (e->modified.empty() ? "" : " @" + e->modified);
}

TEST(FtpListings, MlstEntries) {
    const struct {
        const char* line;
        const char* entry;
    } cases[] = {
        {" type=file;size=1234;modify=20240102030405; my file.txt",
         "[my file.txt] 1234 @2024-01-02 03:04:05"},
        {"modify=20241231235959.123;type=dir; d", "[d] dir @2024-12-31 23:59:59"},
        {"modify=2024123123595;type=file; short time", "[short time]"},
        {"type=OS.unix=symlink;size=5; l", "[l] link 5"},
        {"type=OS.unix=slink:/etc;size=5; l2", "[l2] link 5"},
        {"Type=DIR;Perm=el; /home/u/dir with; semicolon", "[/home/u/dir with; semicolon] dir"},
        {" type=cdir; .", "[.] dir self"},
        {"type=pdir; /home", "[/home] dir self"},
        {" size=18446744073709551615;type=file; big", "[big] 18446744073709551615"},
        {" size=18446744073709551616;type=file; huge", "[huge]"},
        {" size=12a; odd", "[odd]"},
        {" type=file;size=1;  leading blank", "[ leading blank] 1"},
        {"  no facts", "none"},
        {" type=file;size=1;", "none"},
        {" type=file;size=1; ", "none"},
        {" 250 End", "none"},
        {" =x; name", "none"},
        {"", "none"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.entry, Entry(ParseMlstEntry(c.line))) << c.line;
}

TEST(FtpListings, ListLines) {
    const struct {
        const char* line;
        const char* entry;
    } cases[] = {
        {"-rw-r--r--    1 1000     1000         1234 Jan 02 10:00 my file.txt",
         "[my file.txt] 1234"},
        {"-rw-r--r--   1 owner  5 Dec 31  2019  two blanks", "[ two blanks] 5"},
        {"drwxr-xr-x 2 u g 4096 jan  1 2020 dir", "[dir] dir 4096"},
        {"lrwxrwxrwx 1 u g 7 Mar  3 09:15 link name -> target", "[link name] link 7"},
        {"-rw-r--r--+ 1 u g 12 2024-01-02 03:04 iso name", "[iso name] 12"},
        {"-rw-r--r-- 1 Jan 12 Feb 3 11:22 owner called Jan", "[owner called Jan] 12"},
        {"-rwxrwxrwx 1 u g 3 Янв 02 10:00 russian month", "none"},
        {"total 8", "none"},
        {"-rw-r--r-- 1 u g 12 Jan 02 10:00", "none"},
        {"-rw-r--r-- 1 u g 12 Jan 02 10:00 ", "none"},
        {"-rw-r--r-- 1 u g x12 Jan 02 10:00 n", "none"},
        {"01-02-24  10:00AM       <DIR>          My Dir", "[My Dir] dir"},
        {"01-02-2024  03:04PM              1234 my file.txt", "[my file.txt] 1234"},
        {"01/02/24  3:04  77 slash", "[slash] 77"},
        {"01-02-24  10:00XM  1 bad time", "none"},
        {"01-02-24  10:00AM  <DIR>", "none"},
        {"", "none"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.entry, Entry(ParseListLine(c.line))) << c.line;
}

}  // namespace
}  // namespace velmor::ftp
