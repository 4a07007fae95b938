// Which names from a file server's listing the copy may use as local file names.
#pragma once
#include <string_view>

// A plain file name of at most 255 characters: no path separator ("/" or "\"), no drive or stream
// colon, not "." or "..", no control character. Anything else would reach outside the folder, or
// could not be a file name there.
bool IsPlainServerFileName(std::wstring_view name);
