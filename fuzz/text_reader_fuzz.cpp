// Arbitrary bytes as a domain file and an example file, in both dialects. The first byte
// says whether the domain is a ".domain" or a ".names" file (bit 0) and the block size the
// example file is read in (the other bits); the second where the domain ends. The
// examples must be the same read in small blocks as in the usual large ones; whatever is
// read is displayed.
#include <algorithm>
#include <cstring>

#include "fuzz_support.h"

namespace {

bool same_values(const AttValues& a, const AttValues& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].status != b[i].status || std::memcmp(&a[i].value, &b[i].value, sizeof(double)) != 0) return false;
    return true;
}

bool same_examples(const CiDataset& a, const CiDataset& b) {
    if (a.nr_instances != b.nr_instances || a.rejected_lines != b.rejected_lines) return false;
    for (int i = 1; i <= a.nr_instances; ++i) {
        const Instance& x = a.instances[static_cast<size_t>(i)];
        const Instance& y = b.instances[static_cast<size_t>(i)];
        if (x.class_value != y.class_value || x.nr_attributes != y.nr_attributes || !same_values(x.values, y.values))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quiet_standard_output();
    if (size < 2) return 0;
    const Bytes input(data, size);
    const std::string suffix = (data[0] & 1) != 0 ? ".names" : ".domain";
    const size_t block_size = 1 + (data[0] >> 1);
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
        const Stream again = memory_stream(test_text);
        TextReader small_blocks(again.get(), block_size);
        if (!same_examples(examples, ReadCiDataset(small_blocks, *domain, dialect))) std::abort();
        ShowDomain(examples.domain);
        Show_CiInstances(examples, 1, examples.nr_instances);
    }
    return 0;
}
