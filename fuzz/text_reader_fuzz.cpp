// Arbitrary bytes as a domain file and an example file, in both dialects: the first byte
// says where the domain ends. Whatever is read is displayed.
#include <algorithm>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t split = std::min<size_t>(data[0], size - 1);
    write_scratch(".domain", data + 1, split);
    write_scratch(".test", data + 1 + split, size - 1 - split);
    for (const Dialect dialect : {Dialect::Main, Dialect::Solmet}) {
        std::optional<Domain> domain = ReadDomain(scratch_base(), ".domain", dialect);
        if (!domain) continue;
        domain->nr_attributes -= 1;
        std::FILE* test = std::fopen((scratch_base() + ".test").c_str(), "r");
        if (test == nullptr) continue;
        const CiDataset examples = ReadCiDataset(test, *domain, dialect);
        std::fclose(test);
        ShowDomain(examples.domain);
        Show_CiInstances(examples, 1, examples.nr_instances);
    }
    return 0;
}
