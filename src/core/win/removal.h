// Removal of the launcher after the player said Yes, ending in a batch that deletes the program
// file once this process is gone.
#pragma once
#include <windows.h>

#include <string>

namespace mrvn::core {

// Writes the batch into the temporary folder and starts it hidden at idle priority. Nothing is
// started when the program's path cannot be written into a batch safely. True once it runs.
bool StartSelfDeleteBatch(const std::wstring& program);
// Appends narrow text to a file made when missing. The bytes written, or -1 with the error kept
// as the thread's last error.
int AppendTextToFile(const wchar_t* path, const char* text);

}  // namespace mrvn::core
