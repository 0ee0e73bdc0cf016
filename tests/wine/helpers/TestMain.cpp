#include <gtest/gtest.h>

#include <windows.h>

// Windows test programs run unattended: a crash must end the process with a
// report, never wait on the system's error dialog.
int main(int argc, char **argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
