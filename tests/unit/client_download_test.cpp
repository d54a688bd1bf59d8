#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"
#include "fakes/program_bytes.h"
#include "net/client_download.h"

namespace mrvn {
namespace {

TEST(ClientDownloadRules, TagsAddressesAndTargets) {
    const struct {
        std::wstring tag;
        bool usable;
    } tags[] = {
        {L"Xyz", true},   {L"Xhzj2", true}, {L"a_b-c", true}, {L"", false},   {L"..", false},
        {L"a\\b", false}, {L"a/b", false},  {L"C:x", false},  {L"a b", false}, {L"a?b", false},
        {L"a%2e", false}, {L"龙", false},   {std::wstring(32, L'a'), true}, {std::wstring(33, L'a'), false},
    };
    for (const auto& row : tags) EXPECT_EQ(IsUsableGameTag(row.tag), row.usable) << row.tag.size();

    test::FakeProcess proc;
    proc.programPath = L"C:\\Games\\Mrvn.exe";
    test::FakeHttpSession net;
    test::FakeFileSink sink;
    test::FakeFileSource source;
    test::FakeFileSystem ops;
    test::FakeProfileFile ini;
    HostConfig hosts{L"127.0.0.1:8790", L"127.0.0.1:8790", {L"quarn.com"}};
    const auto downloader = [&](const std::wstring& temp, const std::wstring& tag) {
        return ClientDownloader(ClientDownloadContext{net, sink, source, ops, ini, proc, proc, hosts, temp}, tag);
    };
    const ClientDownloader xyz = downloader(L"C:\\Temp\\", L"Xyz");
    EXPECT_EQ(xyz.ConfigAddress(), L"http://127.0.0.1:8790/update/ConfigXyz.htm");
    EXPECT_EQ(xyz.ConfigTarget(), L"C:\\Games\\Xyz.ini");
    EXPECT_EQ(xyz.Target(), L"C:\\Temp\\Xyz.exe");
    EXPECT_EQ(downloader(L"C:\\Temp", L"Xyz").Target(), L"C:\\Temp\\Xyz.exe");
    // Nothing for a tag that could leave its folder, nor for a temporary folder too long for a path.
    const ClientDownloader bad = downloader(L"C:\\Temp\\", L"..\\..\\Windows\\x");
    EXPECT_EQ(bad.ConfigAddress(), L"");
    EXPECT_EQ(bad.ConfigTarget(), L"");
    EXPECT_EQ(bad.Target(), L"");
    EXPECT_EQ(downloader(L"C:\\" + std::wstring(252, L't'), L"Xyz").Target(), L"");
}

TEST(ClientDownloadRules, StatusTextFitsItsBuffer) {
    // Two blanks after the word, as the dialog shows it; 100% still fits the 16-character buffer.
    EXPECT_EQ(ClientProgressText(0), L"已加载  0%");
    EXPECT_EQ(ClientProgressText(51), L"已加载  51%");
    EXPECT_EQ(ClientProgressText(100), L"已加载  100%");
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

class ClientDownloaderTest : public testing::Test {
protected:
    const std::wstring program = L"C:\\Games\\Mrvn.exe";
    const std::wstring ini = L"C:\\Games\\Xyz.ini";
    const std::wstring target = L"C:\\Temp\\Xyz.exe";
    test::FakeProcess proc;
    test::FakeHttpSession net;
    test::FakeFileSink sink;
    test::FakeFileSource source;
    test::FakeFileSystem ops;
    test::FakeProfileFile profile;
    PathVerifier verifier;
    HostConfig hosts{L"127.0.0.1:8790", L"127.0.0.1:8790", {L"quarn.com"}};

    void SetUp() override {
        proc.programPath = program;
        source.written = &sink;
    }
    ClientDownloader Make(SignatureVerifier* signatures = nullptr) {
        return ClientDownloader(
            ClientDownloadContext{net, sink, source, ops, profile, proc, proc, hosts, L"C:\\Temp\\", signatures},
            L"Xyz");
    }
};

TEST_F(ClientDownloaderTest, OutcomesOfTheWholeJob) {
    const std::string image = test::SmallProgram();
    const std::wstring allowed = L"http://dl.quarn.com/Xyz.exe";
    const SignerIdentity publisher{"CN=Quarn", "key"}, stranger{"CN=Other", "other"};
    const struct {
        const char* name;
        std::optional<uint32_t> configStatus;
        std::wstring addr;
        std::string body;
        std::optional<uint32_t> length;  // announced; the body stops there
        bool failLaunch;
        std::optional<SignerIdentity> running, release;
        ClientOutcome outcome;
        bool downloadAsked;
    } rows[] = {
        {"a whole program", 200, allowed, image, {}, false, {}, {}, ClientOutcome::Started, true},
        {"configuration missing", 404, allowed, image, {}, false, {}, {}, ClientOutcome::ConfigFailed, false},
        {"no address", 200, L"", image, {}, false, {}, {}, ClientOutcome::DownloadFailed, false},
        {"outside the allow-list", 200, L"http://127.0.0.1:8790/Xyz.exe", image, {}, false, {}, {},
         ClientOutcome::DownloadFailed, false},
        {"cut short under a lying length", 200, allowed, image, 1000, false, {}, {}, ClientOutcome::DownloadFailed,
         true},
        {"error page with 200", 200, allowed, "<html>busy</html>", {}, false, {}, {}, ClientOutcome::DownloadFailed,
         true},
        {"the system refuses to start it", 200, allowed, image, {}, true, {}, {}, ClientOutcome::DownloadFailed, true},
        {"signed launcher, same publisher", 200, allowed, image, {}, false, publisher, publisher,
         ClientOutcome::Started, true},
        {"signed launcher, another publisher", 200, allowed, image, {}, false, publisher, stranger,
         ClientOutcome::DownloadFailed, true},
        {"signed launcher, unsigned program", 200, allowed, image, {}, false, publisher, {},
         ClientOutcome::DownloadFailed, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        net.Reset();
        sink.files.clear();
        sink.created.clear();
        ops.log.clear();
        proc.launched.clear();
        proc.failLaunch = row.failLaunch;
        profile.WriteString(ini, L"VerKey", L"UpdAddr", row.addr);
        net.reply.body = "[VerKey]";
        net.reply.status = row.configStatus;
        test::FakeHttpSession::Reply download;
        download.body = row.body;
        download.length = row.length;
        if (row.length) download.deliver = *row.length;
        net.next = {download};
        verifier.checks.clear();
        if (row.running) verifier.checks[program] = {SignatureStatus::Valid, 0, *row.running};
        if (row.release) verifier.checks[target] = {SignatureStatus::Valid, 0, *row.release};

        ClientDownloader job = Make(&verifier);
        std::vector<uint32_t> percents;
        TransferHandles handles;
        EXPECT_EQ(job.Run([&](uint32_t p) { percents.push_back(p); }, &handles), row.outcome);

        // The configuration: asked for on the client-service host, never left beside the program.
        ASSERT_FALSE(net.targets.empty());
        EXPECT_EQ(net.targets[0], L"127.0.0.1:8790/update/ConfigXyz.htm");
        const bool configFound = row.configStatus == 200u;
        if (configFound) {
            ASSERT_FALSE(sink.created.empty());
            EXPECT_EQ(sink.created[0], ini);
        }
        EXPECT_EQ(ops.log.at(0), L"delete " + ini);
        EXPECT_EQ(net.targets.size(), row.downloadAsked ? 2u : 1u);
        // The program: only a whole one starts; its file goes in every case.
        const bool started = row.outcome == ClientOutcome::Started;
        if (started) {
            ASSERT_EQ(proc.launched.size(), 1u);
            EXPECT_EQ(proc.launched[0].first, target);
            EXPECT_EQ(proc.launched[0].second, L"\"" + target + L"\"");
        } else if (!row.failLaunch) {
            EXPECT_TRUE(proc.launched.empty());
        }
        if (row.outcome != ClientOutcome::ConfigFailed) {
            EXPECT_EQ(ops.log.back(), L"delete " + target);
        }
        EXPECT_EQ(sink.created.size(), (configFound ? 1u : 0u) + (row.downloadAsked ? 1u : 0u))
            << "a refused address made a file";
        EXPECT_EQ(!percents.empty(), row.downloadAsked);
        if (row.downloadAsked && !row.length) {
            EXPECT_EQ(percents.back(), 100u);
        }
        EXPECT_EQ(handles.root.load(), 0u);
        EXPECT_EQ(handles.request.load(), 0u);
        EXPECT_EQ(handles.file.load(), 0u);
        EXPECT_TRUE(net.AllClosedOnce());
    }
}

TEST_F(ClientDownloaderTest, ACancelledJobStartsNothingAndLeavesNoFile) {
    const std::string image = test::SmallProgram();
    profile.WriteString(ini, L"VerKey", L"UpdAddr", L"http://dl.quarn.com/Xyz.exe");
    net.reply.body = "[VerKey]";
    test::FakeHttpSession::Reply download;
    download.body = image;
    net.next = {download};
    TransferHandles handles;
    // The dialog cancels while the program's body arrives (reads count from 0 in each request).
    net.onRead = [&](int index) {
        if (net.targets.size() == 2 && index == 1) handles.Cancel(net, &sink);
    };
    ClientDownloader job = Make();
    EXPECT_EQ(job.Run({}, &handles), ClientOutcome::DownloadFailed);
    EXPECT_TRUE(proc.launched.empty());
    EXPECT_EQ(ops.log.back(), L"delete " + target);
    EXPECT_TRUE(net.AllClosedOnce());
    for (const auto& [file, closes] : sink.closes) EXPECT_EQ(closes, 1) << "file handle " << file;
}

TEST_F(ClientDownloaderTest, ACancelDuringTheConfigurationAsksForNoProgram) {
    profile.WriteString(ini, L"VerKey", L"UpdAddr", L"http://dl.quarn.com/Xyz.exe");
    net.reply.body = "[VerKey]\r\nUpdAddr=http://dl.quarn.com/Xyz.exe\r\n";
    TransferHandles handles;
    net.onRead = [&](int index) {
        if (index == 0) handles.Cancel(net, &sink);
    };
    ClientDownloader job = Make();
    EXPECT_EQ(job.Run({}, &handles), ClientOutcome::ConfigFailed);
    EXPECT_EQ(net.targets.size(), 1u);
    EXPECT_EQ(ops.log, (std::vector<std::wstring>{L"delete " + ini}));
    EXPECT_TRUE(net.AllClosedOnce());
}

}  // namespace
}  // namespace mrvn
