// Arbitrary bytes as a domain file (".domain", or ".names" when the first byte is odd)
// and an example file, in both dialects: the second byte says where the domain ends.
// Whatever is read is displayed.
#include <algorithm>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quiet_standard_output();
    if (size < 2) return 0;
    const Bytes input(data, size);
    const std::string suffix = (data[0] & 1) != 0 ? ".names" : ".domain";
    const size_t split = std::min<size_t>(data[1], size - 2);
    scratch().remove("t.domain");
    scratch().remove("t.names");
    scratch().write("t" + suffix, as_text(input.subspan(2, split)));
    const std::string_view test_text = as_text(input.subspan(2 + split));
    for (const Dialect dialect : {Dialect::Main, Dialect::Solmet}) {
        std::optional<Domain> domain = ReadDomain(scratch().file("t"), ".domain", dialect);
        if (!domain) continue;
        domain->nr_attributes -= 1;
        const Stream test = memory_stream(test_text);
        const CiDataset examples = ReadCiDataset(test.get(), *domain, dialect);
        ShowDomain(examples.domain);
        Show_CiInstances(examples, 1, examples.nr_instances);
    }
    return 0;
}
