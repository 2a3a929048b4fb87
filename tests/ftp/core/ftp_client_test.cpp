// The client against scripted servers: every conversation ends in the
// outcomes listed, with the script played to its end and nothing else sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ftp/core/ftp_client.h"
#include "ftp/core/scripted_network.h"

namespace velmor::ftp {
namespace {

using testing::Script;
using testing::ScriptedNetwork;

std::string Greeting(const std::string& features) {
    return "< 220 ready\n> FEAT\n< 211-Features:\n" + features +
           "< 211 End\n> AUTH TLS\n< 234 go\ntls\n> PBSZ 0\n< 200 ok\n"
           "> PROT P\n< 200 ok\n";
}

// A server with every feature the client uses, and one with none of them.
const std::string kFull = Greeting("<  UTF8\n<  EPSV\n<  MLST type*;size*;\n<  SIZE\n");
const std::string kBare = Greeting("<  MDTM\n");
const std::string kLogin = "> USER u\n< 331 pass\n> PASS p\n< 230 in\n";
const std::string kFullLogin = kFull + kLogin + "> OPTS UTF8 ON\n< 200 ok\n> TYPE I\n< 200 ok\n";
const std::string kBareLogin = kBare + kLogin + "> TYPE I\n< 200 ok\n";
const std::string kEpsv = "> EPSV\n< 229 Entering Extended Passive Mode (|||50000|)\n";

// Runs "step arg" items separated by ';' and gives their results, '|' between.
std::string Play(FtpClient& client, Script& script, const std::string& steps) {
    std::string results;
    size_t begin = 0;
    while (begin < steps.size()) {
        size_t end = steps.find(';', begin);
        if (end == std::string::npos) end = steps.size();
        std::string step = steps.substr(begin, end - begin);
        begin = end + 1;
        while (!step.empty() && step[0] == ' ') step.erase(0, 1);
        const size_t blank = step.find(' ');
        const std::string verb = step.substr(0, blank);
        const std::string arg = blank == std::string::npos ? "" : step.substr(blank + 1);
        std::string result;
        if (verb == "login") {
            result = OutcomeName(client.Login("h", 21, "u", "p", arg != "active"));
        } else if (verb == "login-as") {  // user and password separated by '/'
            const size_t slash = arg.find('/');
            result = OutcomeName(
                client.Login("h", 21, arg.substr(0, slash), arg.substr(slash + 1), true));
        } else if (verb == "retr") {
            FtpOutcome outcome = client.OpenRetrieve(arg);
            size_t total = 0;
            for (int i = 0; outcome == FtpOutcome::kOk && i < 100000; ++i) {
                char buffer[4096];
                size_t received = 0;
                outcome = client.Read(buffer, sizeof buffer, &received);
                total += received;
                if (received == 0) break;
            }
            result = std::string(OutcomeName(outcome)) + ":" + std::to_string(total);
            if (script.served.size() != total)
                result += " (served " + std::to_string(script.served.size()) + ")";
            script.served.clear();
        } else if (verb == "retr-at") {  // offset and name separated by ' '
            const size_t blank = arg.find(' ');
            FtpOutcome outcome =
                client.OpenRetrieve(arg.substr(blank + 1), std::stoull(arg.substr(0, blank)));
            char buffer[4096];
            size_t received = 0, total = 0;
            while (outcome == FtpOutcome::kOk &&
                   (outcome = client.Read(buffer, sizeof buffer, &received)) == FtpOutcome::kOk &&
                   received != 0) {
                total += received;
            }
            result = std::string(OutcomeName(outcome)) + ":" + std::to_string(total);
        } else if (verb == "mdtm") {
            std::string time;
            result = std::string(OutcomeName(client.ModifiedTime(arg, &time))) + ":" + time;
        } else if (verb == "open") {
            result = OutcomeName(client.OpenRetrieve(arg));
        } else if (verb == "read") {
            char buffer[4096];
            size_t received = 0;
            result = std::string(OutcomeName(client.Read(buffer, sizeof buffer, &received))) + ":" +
                     std::to_string(received);
        } else if (verb == "abort") {
            result = OutcomeName(client.AbortTransfer());
        } else if (verb == "stor") {  // 10000 bytes
            std::string data;
            for (int i = 0; i < 10000; ++i) data += static_cast<char>(i * 7);
            FtpOutcome outcome = client.OpenStore(arg);
            for (size_t at = 0; outcome == FtpOutcome::kOk && at < data.size(); at += 4096) {
                outcome = client.Write(data.data() + at, std::min<size_t>(4096, data.size() - at));
            }
            if (outcome == FtpOutcome::kOk) outcome = client.FinishTransfer();
            result = OutcomeName(outcome);
            if (outcome == FtpOutcome::kOk && script.uploaded != data)
                result += " (upload differs)";
            script.uploaded.clear();
        } else if (verb == "lookup") {
            RemoteEntry entry;
            const FtpOutcome outcome = client.Lookup(arg, &entry);
            result = OutcomeName(outcome);
            if (outcome == FtpOutcome::kOk) {
                result += entry.isDirectory ? ":dir" : ":file";
                result += entry.sizeKnown ? ":" + std::to_string(entry.size) : ":?";
            }
        } else if (verb == "list") {  // "name size|dir|link modified" entries, ',' between
            std::vector<RemoteEntry> entries;
            const FtpOutcome outcome = client.List(arg, &entries);
            result = OutcomeName(outcome);
            for (const RemoteEntry& e : entries) {
                result += (&e == &entries[0] ? ":" : ",") + e.name + " " +
                          (e.isLink        ? "link"
                           : e.isDirectory ? "dir"
                                           : std::to_string(e.size)) +
                          (e.modified.empty() ? "" : " " + e.modified);
            }
        } else if (verb == "rename") {  // from and to separated by '>'
            const size_t arrow = arg.find('>');
            result = OutcomeName(client.Rename(arg.substr(0, arrow), arg.substr(arrow + 1)));
        } else if (verb == "rmd") {
            result = OutcomeName(client.RemoveFolder(arg));
        } else if (verb == "cwd") {
            result = OutcomeName(client.ChangeDirectory(arg));
        } else if (verb == "dele") {
            result = OutcomeName(client.RemoveFile(arg));
        } else if (verb == "mkd") {
            result = OutcomeName(client.MakeDirectory(arg));
        } else if (verb == "quit") {
            result = OutcomeName(client.Quit());
        } else if (verb == "utf8") {
            result = client.NamesAreUtf8() ? "yes" : "no";
        } else if (verb == "connected") {
            result = client.Connected() ? "yes" : "no";
        } else {
            result = "unknown step " + verb;
        }
        if (!results.empty()) results += " | ";
        results += result;
    }
    return results;
}

struct Conversation {
    const char* name;
    std::string script;
    const char* steps;
    const char* results;
};

TEST(FtpClient, Conversations) {
    const Conversation cases[] = {
        // Logging in.
        {"login with every feature", kFullLogin + "> QUIT\n< 221 bye\n",
         "login; utf8; quit; connected", "ok | yes | ok | no"},
        {"no FEAT before AUTH: asked again after login",
         "< 220 ready\n> FEAT\n< 500 what\n> AUTH TLS\n< 234 go\ntls\n> PBSZ 0\n< 200 ok\n"
         "> PROT P\n< 200 ok\n" +
             kLogin +
             "> FEAT\n< 211-x\n<  UTF8\n< 211 End\n> OPTS UTF8 ON\n< 501 no\n> TYPE I\n< 200 ok\n",
         "login; utf8", "ok | yes"},
        {"without UTF8 no OPTS", kBareLogin, "login; utf8", "ok | no"},
        {"multi-line greeting and 120 first",
         "< 120 wait\n< 220-a\n< 220-b\n< 221 not the end\n< 220 c\n" + kBareLogin.substr(12),
         "login", "ok"},
        {"USER alone logs in", kBare + "> USER u\n< 230 in\n> TYPE I\n< 200 ok\n", "login", "ok"},
        {"530 to USER", kBare + "> USER u\n< 530 no such user\n", "login; connected",
         "wrong user | no"},
        {"530 to PASS", kBare + "> USER u\n< 331 pass\n> PASS p\n< 530 wrong\n", "login",
         "wrong password"},
        {"account wanted", kBare + "> USER u\n< 331 pass\n> PASS p\n< 332 account\n", "login",
         "login failed"},
        {"CR LF in a password is never sent", kBare, "login-as u/p\r\nDELE x", "login failed"},
        {"TYPE I refused", kBare + kLogin + "> TYPE I\n< 504 no\n", "login", "refused"},
        {"name not resolved", "resolve-fail\n", "login", "name not resolved"},
        {"no connection", "connect-fail\n", "login", "connect failed"},
        {"421 greeting", "< 421 too many\n", "login", "connect failed"},
        {"AUTH refused", "< 220 hi\n> FEAT\n< 211 none\n> AUTH TLS\n< 500 what\n", "login",
         "TLS refused"},
        {"handshake refused", "< 220 hi\n> FEAT\n< 211 none\n> AUTH TLS\n< 234 go\ntls refuse\n",
         "login", "TLS refused"},
        {"certificate", "< 220 hi\n> FEAT\n< 211 none\n> AUTH TLS\n< 234 go\ntls cert\n", "login",
         "certificate"},
        {"PROT P refused",
         "< 220 hi\n> FEAT\n< 211 none\n> AUTH TLS\n< 234 go\ntls\n> PBSZ 0\n< 200 ok\n"
         "> PROT P\n< 536 no\n",
         "login", "TLS refused"},
        {"clear text after 234 is not read as protected",
         "< 220 hi\n> FEAT\n< 211 none\n> AUTH TLS\n< 234 go\n< 230 logged in\n", "login",
         "protocol error"},
        // Hostile and silent servers.
        {"garbage greeting", "< hello there\n", "login; connected", "protocol error | no"},
        {"1 MiB reply line", "<big 1048576\n", "login", "protocol error"},
        {"endless 1xx",
         "< 220 hi\n> FEAT\n"
         "< 150 a\n< 150 a\n< 150 a\n< 150 a\n< 150 a\n< 150 a\n< 150 a\n"
         "< 150 a\n< 150 a\n",
         "login", "protocol error"},
        {"silent server", "timeout\n", "login; connected", "timed out | no"},
        {"slow greeting", "<slow 220 " + std::string(100, 'x') + "\n" + kBareLogin.substr(12),
         "login", "ok"},
        {"greeting trickling for longer than a reply may take",
         "<slow 220 " + std::string(130, 'x') + "\n", "login", "timed out"},
        {"closes after PASS", kBare + "> USER u\n< 331 pass\n> PASS p\nclose\n", "login", "closed"},
        // Transfers.
        {"restart at an offset, REST last before RETR; a time by MDTM",
         kFullLogin + kEpsv +
             "connect 50000 #4000\n> REST 6000\n< 350 ok\n> RETR a\n< 150 open\n"
             "< 226 done\n> MDTM a\n< 213 20261210164001.5\n",
         "login; retr-at 6000 a; mdtm a", "ok | ok:4000 | ok:2026-12-10 16:40:01"},
        {"REST refused: the file can only start at 0, the session goes on",
         kFullLogin + kEpsv + "connect 50000 abc\n> REST 6000\n< 502 no\n> MDTM a\n< 550 no\n",
         "login; retr-at 6000 a; mdtm a", "ok | restart refused:0 | not found:"},
        {"retrieve over EPSV",
         kFullLogin + kEpsv + "connect 50000 #10000\n> RETR a.txt\n< 150 open\n< 226 done\n",
         "login; retr a.txt", "ok | ok:10000"},
        {"EPSV refused: PASV from then on, its host ignored",
         kFullLogin + "> EPSV\n< 500 what\n> PASV\n< 227 Entering Passive Mode (10,9,8,7,195,80).\n"
                      "connect 50000 abc\n> RETR a\n< 150 open\n< 226 done\n"
                      "> PASV\n< 227 =10,9,8,7,195,81\nconnect 50001 #0\n> RETR b\n< 125 go\n"
                      "< 250 done\n",
         "login; retr a; retr b", "ok | ok:3 | ok:0"},
        {"EPSV refused once after it worked",
         kFullLogin + kEpsv +
             "connect 50000 x\n> RETR a\n< 150 open\n< 226 done\n"
             "> EPSV\n< 425 busy\n",
         "login; retr a; retr b", "ok | ok:1 | refused:0"},
        {"unreadable PASV", kFullLogin + "> EPSV\n< 502 no\n> PASV\n< 227 (1,2,3)\n",
         "login; retr a; connected", "ok | protocol error:0 | yes"},
        {"active mode",
         kFullLogin + "listen\n> PORT 127,0,0,1,156,64\n< 200 ok\n> RETR a\n"
                      "< 150 open\naccept #5000\n< 226 done\n",
         "login active; retr a", "ok | ok:5000"},
        {"active mode over IPv6",
         kFullLogin + "listen6\n> EPRT |2|::1|40000|\n< 200 ok\n"
                      "> STOR up\n< 150 open\naccept\n< 226 done\n",
         "login active; stor up", "ok | ok"},
        {"PORT refused", kFullLogin + "listen\n> PORT 127,0,0,1,156,64\n< 500 no\n",
         "login active; retr a; connected", "ok | refused:0 | yes"},
        {"file refused, session goes on",
         kFullLogin + kEpsv + "connect 50000\n> RETR a\n< 550 no file\n> CWD d\n< 250 ok\n",
         "login; retr a; cwd d", "ok | refused:0 | ok"},
        {"disconnect mid-transfer",
         kFullLogin + kEpsv +
             "connect 50000 #9000 !reset\n> RETR a\n< 150 open\n< 426 broken\n"
             "> CWD d\n< 250 ok\n",
         "login; retr a; cwd d", "ok | closed:9000 | ok"},
        {"transfer that ends badly",
         kFullLogin + kEpsv + "connect 50000 #100\n> RETR a\n< 150 open\n< 451 read error\n",
         "login; retr a; connected", "ok | refused:100 | yes"},
        {"stalled data ends the session",
         kFullLogin + kEpsv + "connect 50000 #10 !stall\n> RETR a\n< 150 open\n",
         "login; retr a; connected", "ok | timed out:10 | no"},
        {"control lost during the transfer",
         kFullLogin + kEpsv + "connect 50000 #10\n> RETR a\n< 150 open\nclose\n",
         "login; retr a; connected", "ok | closed:10 | no"},
        {"data handshake refused",
         kFullLogin + kEpsv + "connect 50000 x !notls\n> RETR a\n< 150 open\n< 425 no TLS\n",
         "login; retr a; connected", "ok | TLS refused:0 | yes"},
        {"cancel: the reply to the broken transfer keeps the session in step",
         kFullLogin + kEpsv +
             "connect 50000 #20000\n> RETR a\n< 150 open\n< 426 aborted\n"
             "> DELE a\n< 250 ok\n",
         "login; open a; read; cwd x; abort; dele a", "ok | ok | ok:4096 | busy | ok | ok"},
        {"store", kFullLogin + kEpsv + "connect 50000\n> STOR up\n< 150 open\n< 226 done\n",
         "login; stor up", "ok | ok"},
        {"store the server does not keep",
         kFullLogin + kEpsv +
             "connect 50000\n> STOR up\n< 150 open\n< 452 full\n> QUIT\n< 221 bye\n",
         "login; stor up; quit", "ok | refused | ok"},
        {"names with CR or LF are never sent", kFullLogin,
         "login; cwd a\r\nDELE b; retr a\nb; lookup a\rb; connected",
         "ok | bad name | bad name:0 | bad name | yes"},
        {"commands before login", "", "cwd a; lookup a; retr a",
         "not connected | not connected | not connected:0"},
        {"directory commands",
         kFullLogin + "> CWD my dir\n< 250 ok\n> MKD new\n< 257 made\n"
                      "> DELE gone\n< 550 no\n",
         "login; cwd my dir; mkd new; dele gone", "ok | ok | ok | refused"},
        // Lookups.
        {"MLST with blanks in the name",
         kFullLogin + "> MLST my file.txt\n< 250-Listing\n<  type=file;size=1234; /h/my file.txt\n"
                      "< 250 End\n> MLST d\n< 250-x\n<  Type=dir; d\n< 250 End\n"
                      "> MLST gone\n< 550 no\n",
         "login; lookup my file.txt; lookup d; lookup gone",
         "ok | ok:file:1234 | ok:dir:? | not found"},
        {"MLST without size: SIZE",
         kFullLogin + "> MLST a\n< 250-x\n<  type=file; a\n< 250 End\n> SIZE a\n< 213 77 \n",
         "login; lookup a", "ok | ok:file:77"},
        {"SIZE, then LIST",
         kBareLogin + "> SIZE a b\n< 213 12\n> SIZE d\n< 550 not a file\n> EPSV\n< 500 no\n"
                      "> PASV\n< 227 (1,1,1,1,195,80)\nconnect 50000 total 8\\r\\n-rw-r--r-- 1 u g "
                      "5 Jan  2 10:00 x\\r\\n\n"
                      "> LIST d\n< 150 here\n< 226 done\n",
         "login; lookup a b; lookup d", "ok | ok:file:12 | ok:dir:?"},
        // Listings, renames and folders.
        {"MLSD: facts and names with blanks, the folder and its parent left out",
         kFullLogin + kEpsv +
             "connect 50000 type=cdir; /d\\r\\ntype=pdir; /\\r\\n"
             "type=file;size=12;modify=20240102030405; a b\\r\\n"
             "type=dir;modify=20240102030405; sub\\r\\ntype=OS.unix=symlink; l\\r\\n\n"
             "> MLSD d\n< 150 here\n< 226 done\n",
         "login; list d", "ok | ok:a b 12 2024-01-02 03:04:05,sub dir 2024-01-02 03:04:05,l link"},
        {"LIST without MLST: Unix lines, no times",
         kBareLogin + "> EPSV\n< 229 (|||50000|)\n"
                      "connect 50000 total 8\\r\\n-rw-r--r-- 1 u g 5 Jan  2 10:00 x y\\r\\n"
                      "drwxr-xr-x 2 u g 4096 Jan  2 10:00 .\\r\\n\n"
                      "> LIST\n< 150 here\n< 226 done\n",
         "login; list", "ok | ok:x y 5"},
        {"listing refused", kFullLogin + kEpsv + "connect 50000\n> MLSD no\n< 550 no\n",
         "login; list no; connected", "ok | refused | yes"},
        {"rename, refused at RNFR and at RNTO, RMD",
         kFullLogin + "> RNFR a b\n< 350 go on\n> RNTO c\n< 250 done\n> RNFR x\n< 550 no\n"
                      "> RNFR y\n< 350 go on\n> RNTO z\n< 553 no\n> RMD d\n< 250 gone\n",
         "login; rename a b>c; rename x>q; rename y>z; rmd d", "ok | ok | refused | refused | ok"},
        {"LIST finds the name with blanks",
         kBareLogin + "> SIZE my f\n< 502 no\n> EPSV\n< 229 (|||50000|)\n"
                      "connect 50000 -rw-r--r-- 1 u g 99 Jan  2  2020 my f\\r\\n\n"
                      "> LIST my f\n< 150 here\n< 226 done\n",
         "login; lookup my f", "ok | ok:file:99"},
        {"LIST: nothing there",
         kBareLogin + "> SIZE a\n< 550 no\n" + kEpsv +
             "connect 50000\n> LIST a\n< 150 here\n"
             "< 226 done\n> SIZE b\n< 550 no\n" +
             kEpsv +
             "connect 50000\n> LIST b\n"
             "< 450 no files\n",
         "login; lookup a; lookup b", "ok | not found | not found"},
        {"endless listing",
         kBareLogin + "> SIZE a\n< 550 no\n" + kEpsv +
             "connect 50000 #1100000\n> LIST a\n"
             "< 150 here\n< 426 closed\n",
         "login; lookup a; connected", "ok | protocol error | yes"},
    };
    for (const Conversation& c : cases) {
        Script script(c.script);
        ScriptedNetwork network(script);
        FtpClient client(network, [&script] { return script.nowMs; });
        EXPECT_EQ(c.results, Play(client, script, c.steps)) << c.name;
        EXPECT_EQ("", script.Errors()) << c.name;
    }
}

}  // namespace
}  // namespace velmor::ftp
