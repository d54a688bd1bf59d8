// The self-deleting batch of the removal: which template, and the paths written into it.
#pragma once
#include <string>

#include "platform/code_page.h"
#include "platform/file_system.h"

namespace mrvn {

// The program folder holds two files or more: only the program and the batch go.
inline constexpr char kSharedFolderBatch[] =
    "cd\\\r\n"
    ":delexe\r\n"
    "ping -n %d 127.0.0.1\r\n"
    "del \"%s\"\r\n"
    "if exist \"%s\" goto :delexe\r\n"
    "del \"%s\"\r\n";

// The program is alone in its folder: the folder goes too.
inline constexpr char kPrivateFolderBatch[] =
    "cd\\\r\n"
    ":delexe\r\n"
    "ping -n %d 127.0.0.1\r\n"
    "del \"%s\"\r\n"
    "if exist \"%s\" goto :delexe\r\n"
    "del \"%s\" /Q /F /A\r\n"
    "rd \"%s\"\r\n"
    "del \"%s\"\r\n";

inline constexpr size_t kBatchBufferBytes = 2048;

inline constexpr wchar_t kRemovedText[] =
    L"QuarnMorvane已成功移除，部分文件将在程序退出\r\n或计算机重启后自行删除";

// The removal's closing message: the usual one once the batch that deletes the program has started;
// without it the program file stays, and the message names it instead of calling the removal done.
std::wstring RemovalClosingText(bool batchStarted, const std::wstring& programPath);

// `path` as it can stand between quotes in a batch line: in the ANSI code page, with "%" doubled.
// A path that the code page cannot hold is written in its 8.3 form. False for a path that is not
// absolute or still cannot be written exactly (its characters, or a "?" or "*" that del would take
// as a wildcard): such a line could delete another file.
bool BatchPathText(FileSystem& fs, CodePage& codePage, const std::wstring& path, std::string& out);

// The whole script for deleting `programPath` and then `batchPath`. The folder template applies
// only when the program's folder was listed, holds at most that one file and is not a drive's
// root. False when a path cannot be written safely or the text would not fit its buffer.
bool SelfDeleteScript(FileSystem& fs, CodePage& codePage, const std::wstring& programPath,
                      const std::wstring& batchPath, std::string& script);

}  // namespace mrvn
