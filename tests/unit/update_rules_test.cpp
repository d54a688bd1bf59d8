#include <gtest/gtest.h>

#include <map>

#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"
#include "fakes/program_bytes.h"
#include "core/text.h"
#include "net/md5.h"
#include "net/update_rules.h"

namespace mrvn {
namespace {

// MD5("abc") from RFC 1321, cut to 28 digits, then the version digits of 3.0.0.1.
const std::wstring kKeyOfAbc = L"900150983cd24fb0d6963f7d28e13001";

TEST(VersionKey, DigitsAndKey) {
    EXPECT_EQ(VersionDigits(L"3.0.0.1"), L"3001");
    EXPECT_EQ(VersionDigits(L"10.2"), L"102");
    EXPECT_EQ(LocalVersionKey(L"900150983cd24fb0d6963f7d28e17f72", L"3001"), kKeyOfAbc);
    EXPECT_EQ(LocalVersionKey(L"900150983cd24fb0d6963f7d28e17f72", L"12345"), L"900150983cd24fb0d6963f7d28e12345");
    EXPECT_EQ(LocalVersionKey(L"", L"3001"), L"");  // no hash, no key
    EXPECT_EQ(LocalVersionKey(L"900150983cd24fb0", L"3001"), L"");
}

class UpdaterTest : public testing::Test, protected test::FakeState {
protected:
    const std::wstring program = L"D:\\Games\\Mrvn.exe";
    const std::wstring configFile = L"D:\\Games\\ConfigMrvn.htm";
    test::FakeHttpSession net;
    test::FakeFileSink sink;
    test::FakeFileSource source;
    test::FakeFileSystem ops;
    test::FakeCodePage cp;
    HostConfig hosts{L"127.0.0.1:8790", L"127.0.0.1:8790", {L"quarn.com"}};
    Updater updater{UpdateContext{net, sink, source, ops, ini, cp, proc, store, hosts}};

    void SetUp() override {
        proc.programPath = program;
        proc.arguments = {program, L"/MrvnD"};
        source.files[program] = "abc";
        net.reply.body = "[VerKey]";  // what the profile reads is set in `ini`
    }
    void ServerSays(const std::wstring& key, const std::wstring& addr) {
        ini.WriteString(configFile, L"VerKey", L"Mrvn", key);
        ini.WriteString(configFile, L"VerKey", L"UpdAddr", addr);
    }
};

TEST_F(UpdaterTest, FetchesTheConfigurationBesideTheProgramAndDeletesIt) {
    ServerSays(L"900150983CD24FB0D6963F7D28E13001", L"http://dl.quarn.com/NewMrvn.exe");
    std::string key;
    ASSERT_TRUE(updater.FetchUpdateConfig(key));
    EXPECT_EQ(key, "900150983CD24FB0D6963F7D28E13001");
    EXPECT_EQ(updater.UpdAddr(), L"http://dl.quarn.com/NewMrvn.exe");
    EXPECT_EQ(net.host, L"127.0.0.1");
    EXPECT_EQ(net.port, 8790);
    EXPECT_EQ(net.object, L"update/ConfigMrvn.htm");
    EXPECT_EQ(sink.created, (std::vector<std::wstring>{configFile}));
    EXPECT_EQ(ops.log, (std::vector<std::wstring>{L"delete " + configFile}));
}

TEST_F(UpdaterTest, FailedFetchKeepsThePreviousAddress) {
    ServerSays(L"k", L"http://dl.quarn.com/first.exe");
    std::string key;
    ASSERT_TRUE(updater.FetchUpdateConfig(key));
    net.Reset();
    net.reply.status = 404;
    ServerSays(L"k2", L"http://dl.quarn.com/second.exe");
    EXPECT_FALSE(updater.FetchUpdateConfig(key));
    EXPECT_EQ(key, "");
    EXPECT_EQ(updater.UpdAddr(), L"http://dl.quarn.com/first.exe");
}

TEST_F(UpdaterTest, Decisions) {
    const struct {
        const char* name;
        const char* file;          // the running program's bytes, nullptr: unreadable
        const wchar_t* serverKey;  // nullptr: the configuration cannot be fetched
        bool update;
    } rows[] = {
        {"same release, upper-case key", "abc", L"900150983CD24FB0D6963F7D28E13001", false},
        {"same release", "abc", L"900150983cd24fb0d6963f7d28e13001", false},
        {"one byte differs", "abd", L"900150983cd24fb0d6963f7d28e13001", true},
        {"key of another length", "abc", L"900150983cd24fb0d6963f7d28e1300", true},
        {"empty key", "abc", L"", false},
        {"no configuration", "abd", nullptr, false},
        {"unreadable program", nullptr, L"900150983cd24fb0d6963f7d28e13001", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        net.Reset();
        ini.values.clear();
        source.files.erase(program);
        if (row.file) source.files[program] = row.file;
        if (row.serverKey) {
            ServerSays(row.serverKey, L"http://dl.quarn.com/NewMrvn.exe");
        } else {
            net.reply.noLength = true;
        }
        EXPECT_EQ(updater.CheckForUpdate(true), row.update);
    }
}

TEST_F(UpdaterTest, ScheduledCheckOnlyWhenDue) {
    ServerSays(L"ffffffffffffffffffffffffffff3001", L"http://dl.quarn.com/NewMrvn.exe");
    // Updated today (UTC): no network at all.
    SystemTime today = clock.utc;
    PutUpdTime(today);
    EXPECT_FALSE(updater.CheckForUpdate(false));
    EXPECT_TRUE(net.calls.empty());
    // The forced check from the menu runs anyway.
    EXPECT_TRUE(updater.CheckForUpdate(true));
    // Another day, from the game shortcut: checks.
    net.Reset();
    today.day = 7;
    PutUpdTime(today);
    EXPECT_TRUE(updater.CheckForUpdate(false));
    // The same from the platform shortcut never checks.
    net.Reset();
    proc.arguments = {program, L"/webQuarnD"};
    EXPECT_FALSE(updater.CheckForUpdate(false));
    EXPECT_TRUE(net.calls.empty());
}

TEST_F(UpdaterTest, DownloadPassesOnlyAWholeProgramOfTheNamedRelease) {
    const std::wstring target = L"D:\\Games\\NewMrvn.exe";
    const std::string release = test::SmallProgram();
    const std::string md5 = [&] {
        const std::wstring w = HexLower(Md5Of(release.data(), release.size()));
        return std::string(w.begin(), w.end());
    }();
    const std::wstring releaseKey = std::wstring(md5.begin(), md5.begin() + 28) + L"3002";
    const std::wstring otherKey = L"0000000000000000000000000000" L"3002";
    const std::wstring allowed = L"http://dl.quarn.com/NewMrvn.exe";
    const struct {
        const char* name;
        std::wstring addr, key;
        std::string body;
        std::optional<uint32_t> status, length;
        bool ok;
        bool progress;
    } rows[] = {
        {"the release", allowed, releaseKey, release, 200, {}, true, true},
        {"upper-case key", allowed, UpperAscii(releaseKey), release, 200, {}, true, true},
        {"key without a hash", allowed, L"k", release, 200, {}, true, true},
        {"another release's key", allowed, otherKey, release, 200, {}, false, true},
        {"error page with 500", allowed, L"k", "<html>500</html>", 500, {}, false, true},
        {"portal page with 200", allowed, L"k", "<html>login</html>", 200, {}, false, true},
        {"cut short under a lying length", allowed, L"k", release, 200, 1000, false, true},
        {"Content-Length 0", allowed, L"k", release, 200, 0, false, true},
        {"outside the allow-list", L"http://127.0.0.1:8790/NewMrvn.exe", L"k", release, 200, {}, false, false},
        {"no address", L"", L"k", release, 200, {}, false, false},
    };
    source.written = &sink;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        net.Reset();
        ServerSays(row.key, row.addr);
        std::string key;
        ASSERT_TRUE(updater.FetchUpdateConfig(key));
        net.Reset();
        net.reply.body = row.body;
        net.reply.status = row.status;
        // WinINet ends the body at the announced length, whatever the server sends after it.
        net.reply.length = row.length;
        if (row.length) net.reply.deliver = *row.length;
        sink.files.erase(target);
        source.files.erase(target);
        std::vector<uint32_t> percents;
        EXPECT_EQ(updater.DownloadUpdate(updater.UpdAddr(), [&](uint32_t p) { percents.push_back(p); }, nullptr),
                  row.ok);
        EXPECT_EQ(!percents.empty(), row.progress);
        // The download waits for bytes as long as they come, with no bound on the whole.
        if (row.progress) {
            EXPECT_EQ(net.limits.at(0), (std::pair<uint64_t, uint32_t>{0, 30000}));
        }
    }
}

// Answers by path; a path it does not know is unsigned.
class PathVerifier final : public SignatureVerifier {
public:
    std::map<std::wstring, SignatureCheck> checks;
    SignatureCheck Verify(const std::wstring& path) override {
        const auto it = checks.find(path);
        return it == checks.end() ? SignatureCheck{} : it->second;
    }
};

TEST_F(UpdaterTest, ASignedLauncherTakesTheNamedReleaseOnlyFromItsPublisher) {
    const std::wstring target = L"D:\\Games\\NewMrvn.exe";
    const std::string release = test::SmallProgram();
    const std::wstring md5 = HexLower(Md5Of(release.data(), release.size()));
    const std::wstring releaseKey = md5.substr(0, 28) + L"3002";
    const SignerIdentity publisher{"CN=Quarn", "key"};
    const struct {
        const char* name;
        SignatureCheck running, release;
        bool ok;
    } rows[] = {
        {"unsigned launcher", {}, {}, true},
        {"signed launcher, same publisher", {SignatureStatus::Valid, 0, publisher},
         {SignatureStatus::Valid, 0, publisher}, true},
        {"signed launcher, unsigned release", {SignatureStatus::Valid, 0, publisher}, {}, false},
        {"signed launcher, another publisher", {SignatureStatus::Valid, 0, publisher},
         {SignatureStatus::Valid, 0, {"CN=Else", "other"}}, false},
    };
    source.written = &sink;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PathVerifier verifier;
        verifier.checks[program] = row.running;
        verifier.checks[target] = row.release;
        UpdateContext ctx{net, sink, source, ops, ini, cp, proc, store, hosts, &verifier};
        Updater signedUpdater{ctx};
        net.Reset();
        ServerSays(releaseKey, L"http://dl.quarn.com/NewMrvn.exe");
        std::string key;
        ASSERT_TRUE(signedUpdater.FetchUpdateConfig(key));
        net.Reset();
        net.reply.body = release;
        sink.files.erase(target);
        source.files.erase(target);
        // The key matches in every row: only the signature decides.
        EXPECT_EQ(signedUpdater.DownloadUpdate(signedUpdater.UpdAddr(), {}, nullptr), row.ok);
    }
}

TEST_F(UpdaterTest, AddressesTooLongForTheirBufferAreRefusedNotCut) {
    const std::wstring base = L"http://dl.quarn.com/";
    const struct {
        size_t length;
        bool kept;
    } rows[] = {{511, true}, {512, false}, {3000, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        const std::wstring addr = base + std::wstring(row.length - base.size(), L'a');
        ServerSays(L"k", addr);
        const UpdateConfig config = ReadUpdateConfig(ini, configFile);
        EXPECT_EQ(config.updAddr, row.kept ? addr : L"");
    }
}

TEST_F(UpdaterTest, ConfigurationOver64KiBOrCutShortIsRefusedAndDeletedAtOnce) {
    const struct {
        const char* name;
        size_t size;
        size_t deliver;
        bool ok;
        bool fileMade;
    } rows[] = {
        {"64 KiB", 65536, SIZE_MAX, true, true},
        {"one byte more", 65537, SIZE_MAX, false, false},
        {"cut short", 4000, 1000, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        net.Reset();
        ops.log.clear();
        sink.created.clear();
        ServerSays(L"k", L"http://dl.quarn.com/NewMrvn.exe");
        net.reply.body = std::string(row.size, ';');
        net.reply.deliver = row.deliver;
        ops.Put(configFile, "stale");  // what an earlier run might have left
        std::string key;
        EXPECT_EQ(updater.FetchUpdateConfig(key), row.ok);
        EXPECT_EQ(sink.created.size(), row.fileMade ? 1u : 0u);
        // Read or not, the file does not stay beside the program.
        EXPECT_EQ(ops.Find(configFile), nullptr);
        EXPECT_EQ(ops.log, (std::vector<std::wstring>{L"delete " + configFile}));
        // A small text has 15 s in all.
        EXPECT_EQ(net.limits.at(0), (std::pair<uint64_t, uint32_t>{net.now + 15000, 0}));
    }
}

}  // namespace
}  // namespace mrvn
