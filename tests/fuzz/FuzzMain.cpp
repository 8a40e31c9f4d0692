// The libFuzzer entry of one target, chosen by QX_FUZZ_TARGET at compile time.
#include "FuzzTargets.h"

#include <QCoreApplication>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Timers and queued calls of the code under test need an application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzEntry entry = [] {
        for (const FuzzTarget& target : FuzzTargets()) {
            if (std::strcmp(target.name, QX_FUZZ_TARGET) == 0)
                return target.entry;
        }
        std::abort();
    }();
    return entry(data, size);
}
