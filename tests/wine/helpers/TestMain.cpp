#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

// Windows test programs run unattended: a crash must end the process with a
// report, never wait on the system's error dialog.
int main(int argc, char **argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // Unbuffered, so the log of a program that dies shows how far it got.
    setvbuf(stdout, nullptr, _IONBF, 0);
    setvbuf(stderr, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
