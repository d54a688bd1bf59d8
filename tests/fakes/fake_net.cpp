#include "fakes/fake_net.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/text.h"

namespace mrvn::test {

NetHandle FakeHttpSession::Open(const std::wstring& a, uint32_t type) {
    calls.push_back("open");
    agent = a;
    accessType = type;
    if (failOpen) return 0;
    // A later transfer of the same script opens a root of its own.
    const NetHandle handle = kRoot + static_cast<NetHandle>(opens_++) * 0x1000;
    opened_.insert(handle);
    return handle;
}

NetHandle FakeHttpSession::Connect(NetHandle root, const std::wstring& h, uint16_t p) {
    calls.push_back("connect");
    host = h;
    port = p;
    if (failConnect || !IsOpen(root)) return 0;
    // Each hop of a redirected transfer gets handles of its own.
    const NetHandle handle = kConnection + static_cast<NetHandle>(requests_) * 0x100;
    opened_.insert(handle);
    return handle;
}

NetHandle FakeHttpSession::OpenRequest(NetHandle connection, const std::wstring& v, const std::wstring& o,
                                       const std::wstring& ver, uint32_t f) {
    calls.push_back("request");
    verb = v;
    object = o;
    version = ver;
    flags = f;
    if (failRequest || !IsOpen(connection)) return 0;
    const int index = requests_++;
    if (index > 0) {
        if (static_cast<size_t>(index - 1) < next.size()) {
            reply = next[index - 1];
        } else {
            reply = Reply();
            reply.status = 404;  // an unscripted hop finds nothing
        }
        position_ = 0;
        reads_ = 0;
    }
    targets.push_back(host + L":" + std::to_wstring(port) + L"/" + o);
    const NetHandle handle = kRequest + static_cast<NetHandle>(index) * 0x100;
    opened_.insert(handle);
    return handle;
}

bool FakeHttpSession::Send(NetHandle request, const std::wstring& h) {
    calls.push_back("send");
    headers = h;
    sentHeaders.push_back(h);
    if (onSend) onSend();
    return !failSend && IsOpen(request);
}

bool FakeHttpSession::QueryStatusCode(NetHandle request, uint32_t& status) {
    calls.push_back("status");
    if (!IsOpen(request) || !reply.status) return false;
    status = *reply.status;
    return true;
}

bool FakeHttpSession::QueryContentLength(NetHandle request, uint32_t& length) {
    calls.push_back("length");
    if (!IsOpen(request) || reply.noLength) return false;
    length = reply.length ? *reply.length : static_cast<uint32_t>(reply.body.size());
    return true;
}

bool FakeHttpSession::QueryLocation(NetHandle request, std::wstring& location) {
    calls.push_back("location");
    if (!IsOpen(request) || !reply.location) return false;
    location = *reply.location;
    return true;
}

void FakeHttpSession::SetTimeLimits(NetHandle request, uint64_t deadlineMs, uint32_t idleMs) {
    if (IsOpen(request)) limits.emplace_back(deadlineMs, idleMs);
}

bool FakeHttpSession::Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) {
    calls.push_back("read");
    readSizes.push_back(size);
    const int index = reads_++;
    if (onRead) onRead(index);
    if (blockReads) {
        std::unique_lock<std::mutex> lock(mutex_);
        waiting_ = true;
        cv_.notify_all();
        cv_.wait(lock, [&] { return closes_.count(kRoot) > 0; });
        waiting_ = false;
    }
    if (!IsOpen(request) || index == reply.failReadAt) return false;
    const size_t end = std::min(reply.body.size(), reply.deliver);
    const size_t n = std::min<size_t>(size, end > position_ ? end - position_ : 0);
    std::memcpy(buffer, reply.body.data() + position_, n);
    position_ += n;
    got = static_cast<uint32_t>(n);
    return true;
}

uint32_t FakeHttpSession::SetFilePointer(NetHandle request, uint32_t position) {
    calls.push_back("seek");
    seeks.push_back(position);
    if (failSeeks || !IsOpen(request)) return kInvalidFilePointer;
    position_ = position;
    return position;
}

void FakeHttpSession::Close(NetHandle handle) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const NetHandle kind = handle == kRoot ? kRoot : handle & 0xFF;
    calls.push_back(kind == kRoot ? "close root" : kind == kConnection ? "close connection"
                                                : kind == kRequest    ? "close request"
                                                                      : "close ?");
        ++closes_[handle];
    }
    cv_.notify_all();
}

void FakeHttpSession::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    reply = Reply();
    next.clear();
    now = 1000;
    onSend = nullptr;
    targets.clear();
    sentHeaders.clear();
    limits.clear();
    requests_ = 0;
    opens_ = 0;
    failOpen = failConnect = failRequest = failSend = false;
    failSeeks = false;
    errorCode = 12029;
    onRead = nullptr;
    blockReads = false;
    agent.clear();
    host.clear();
    verb.clear();
    object.clear();
    version.clear();
    headers.clear();
    accessType = 0xFFFFFFFF;
    flags = 0;
    port = 0;
    calls.clear();
    readSizes.clear();
    seeks.clear();
    opened_.clear();
    closes_.clear();
    position_ = 0;
    reads_ = 0;
    waiting_ = false;
}

int FakeHttpSession::Closes(NetHandle h) const {
    auto it = closes_.find(h);
    return it == closes_.end() ? 0 : it->second;
}

bool FakeHttpSession::AllClosedOnce() const {
    for (NetHandle h : opened_) {
        if (Closes(h) != 1) return false;
    }
    for (const auto& [h, n] : closes_) {
        if (!opened_.count(h)) return false;
    }
    return true;
}

bool FakeHttpSession::ReadIsBlocked() {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return waiting_; });
}

FileHandle FakeFileSink::Create(const std::wstring& path) {
    created.push_back(path);
    if (failCreate) return 0;
    const FileHandle h = next_++;
    open_[h] = path;
    files[path].clear();
    return h;
}

bool FakeFileSink::Write(FileHandle file, const void* data, uint32_t size) {
    const int index = writes_++;
    auto it = open_.find(file);
    if (it == open_.end() || closes.count(file) || index == failWriteAt) return false;
    files[it->second].append(static_cast<const char*>(data), size);
    return true;
}

bool FakeFileSink::Close(FileHandle file) {
    ++closes[file];
    return !failClose;
}

FileHandle FakeFileSource::OpenRead(const std::wstring& path) {
    ++openCount;
    if (written && written->files.count(path)) files[path] = written->files.at(path);
    if (!files.count(path)) return 0;
    const FileHandle h = next_++;
    open_[h] = {path, 0};
    return h;
}

bool FakeFileSource::Read(FileHandle file, void* buffer, uint32_t size, uint32_t& got) {
    const int index = reads_++;
    auto it = open_.find(file);
    if (it == open_.end() || index == failReadAt) return false;
    const std::string& data = files[it->second.first];
    size_t& pos = it->second.second;
    const size_t n = std::min<size_t>({size, maxRead, data.size() - pos});
    std::memcpy(buffer, data.data() + pos, n);
    pos += n;
    got = static_cast<uint32_t>(n);
    return true;
}

void FakeFileSource::Close(FileHandle file) {
    ++closeCount;
    open_.erase(file);
}

std::string FakeCodePage::ToAnsi(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += static_cast<uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?';
    return out;
}

std::wstring FakeCodePage::FromAnsi(const std::string& text) {
    std::wstring out;
    for (char c : text) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

namespace {

// GBK pairs of the Chinese characters the tests use.
const struct {
    wchar_t ch;
    unsigned char lead, trail;
} kGbk[] = {
    {L'游', 0xD3, 0xCE}, {L'戏', 0xCF, 0xB7}, {L'收', 0xCA, 0xD5}, {L'藏', 0xB2, 0xD8},
    {L'中', 0xD6, 0xD0}, {L'文', 0xCE, 0xC4}, {L'测', 0xB2, 0xE2}, {L'试', 0xCA, 0xD4},
    {L'登', 0xB5, 0xC7}, {L'录', 0xC2, 0xBC}, {L'用', 0xD3, 0xC3}, {L'户', 0xBB, 0xA7},
};

}  // namespace

std::string FakeCodePage936::ToAnsi(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char lead = '?', trail = 0;
        for (const auto& g : kGbk) {
            if (g.ch == c) {
                lead = static_cast<char>(g.lead);
                trail = static_cast<char>(g.trail);
            }
        }
        out += lead;
        if (trail) out += trail;
    }
    return out;
}

std::wstring FakeCodePage936::FromAnsi(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            out += static_cast<wchar_t>(text[i]);
            continue;
        }
        wchar_t c = L'?';
        for (const auto& g : kGbk) {
            if (i + 1 < text.size() && g.lead == static_cast<unsigned char>(text[i]) &&
                g.trail == static_cast<unsigned char>(text[i + 1]))
                c = g.ch;
        }
        out += c;
        ++i;
    }
    return out;
}

bool FakeCodePage::Decode(unsigned codePage, const std::string& bytes, std::wstring& text) {
    decoded.push_back(codePage);
    text.clear();
    if (codePage == 1252) {
        text = FromAnsi(bytes);
        return true;
    }
    if (codePage != 936) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            text += static_cast<wchar_t>(b);
            continue;
        }
        if (i + 1 >= bytes.size()) {
            text += L'?';
            break;
        }
        const auto t = static_cast<unsigned char>(bytes[++i]);
        wchar_t out = L'\u00B7';
        for (const auto& g : kGbk) {
            if (g.lead == b && g.trail == t) out = g.ch;
        }
        text += out;
    }
    return true;
}

bool FakeCodePage::Encode(unsigned codePage, const std::wstring& text, std::string& bytes) {
    bytes.clear();
    if (codePage == 1252) {
        bytes = ToAnsi(text);
        return true;
    }
    if (codePage != 936) return false;
    for (wchar_t c : text) {
        if (static_cast<uint32_t>(c) < 0x80) {
            bytes += static_cast<char>(c);
            continue;
        }
        bool found = false;
        for (const auto& g : kGbk) {
            if (g.ch == c) {
                bytes += static_cast<char>(g.lead);
                bytes += static_cast<char>(g.trail);
                found = true;
            }
        }
        if (!found) bytes += '?';
    }
    return true;
}

}  // namespace mrvn::test
