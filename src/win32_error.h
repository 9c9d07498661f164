// Windows' error codes as the errno values that the C runtime's strerror
// words, so that both platforms name a cause alike.
#pragma once

int errno_from_win32(unsigned long code);
