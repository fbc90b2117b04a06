#pragma once

// The one place <windows.h> comes in: included by platform/win32/*.cpp only, never by a
// header elsewhere. WIN32_LEAN_AND_MEAN, NOMINMAX and _WIN32_WINNT come from the build.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on
