// zorvane-srec-compare EXPECTED ACTUAL: exit 0 when both S-record files put
// the same bytes at the same addresses, 1 (with the first difference) when not.
#include <cstdio>

#include "srec_memory.h"

int main(int argc, char** argv)
{
    using namespace zorvane::radio;
    if (argc != 3) {
        std::fprintf(stderr, "usage: zorvane-srec-compare EXPECTED.s19 ACTUAL.s19\n");
        return 2;
    }
    const auto expected = ReadSRecordMemory(argv[1]);
    const auto actual = ReadSRecordMemory(argv[2]);
    if (!expected || !actual) {
        std::fprintf(stderr, "zorvane-srec-compare: cannot read %s\n", expected ? argv[2] : argv[1]);
        return 2;
    }
    const std::string difference = FirstDifference(*expected, *actual);
    if (!difference.empty()) {
        std::printf("%s and %s differ at %s\n", argv[1], argv[2], difference.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes, identical\n", argv[2], actual->size());
    return 0;
}
