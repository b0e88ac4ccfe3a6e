// The floor the programs are measured against: the least work any reader of the test file
// does. Reads the file in 1 MiB blocks, splits fields at commas and line ends, converts each
// field with std::from_chars and stores it in a 16-byte value ('?' as an unknown marker, a
// field that is not a number by its first byte, as a label lookup would). Prints the count
// and a checksum, so that nothing is optimised away.
//
// Usage: bench_floor file
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Value {
    double number = 0.0;
    int32_t status = 0;  // 0 a number, 1 unknown, 2 a label
    int32_t label = 0;
};
static_assert(sizeof(Value) == 16);

// Values kept in chunks of 1 MiB, so that the store never copies or over-allocates.
class ValueStore {
public:
    void add(const Value& v) {
        if (chunks_.empty() || chunks_.back().size() == CHUNK) {
            chunks_.emplace_back();
            chunks_.back().reserve(CHUNK);
        }
        chunks_.back().push_back(v);
    }
    template <class F>
    void for_each(F f) const {
        for (const auto& chunk : chunks_)
            for (const Value& v : chunk) f(v);
    }

private:
    static constexpr size_t CHUNK = (1 << 20) / sizeof(Value);
    std::vector<std::vector<Value>> chunks_;
};

Value convert(const char* first, const char* last) {
    Value v;
    if (last - first == 1 && *first == '?') {
        v.status = 1;
        return v;
    }
    const auto result = std::from_chars(first, last, v.number);
    if (result.ec != std::errc() || first == last) {
        v.status = 2;
        v.label = first == last ? 0 : static_cast<unsigned char>(*first);
    }
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_floor file\n");
        return 2;
    }
    const int fd = open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    constexpr size_t BLOCK = 1 << 20;
    std::vector<char> block(BLOCK);
    std::string pending;  // the start of a field that crosses a block boundary
    ValueStore store;
    ssize_t got = 0;
    while ((got = read(fd, block.data(), BLOCK)) > 0) {
        const char* p = block.data();
        const char* end = p + got;
        const char* field = p;
        for (; p != end; ++p) {
            if (*p != ',' && *p != '\n') continue;
            if (pending.empty()) {
                store.add(convert(field, p));
            } else {
                pending.append(field, p);
                store.add(convert(pending.data(), pending.data() + pending.size()));
                pending.clear();
            }
            field = p + 1;
        }
        pending.append(field, end);
    }
    close(fd);
    if (!pending.empty()) store.add(convert(pending.data(), pending.data() + pending.size()));

    uint64_t count = 0;
    double sum = 0.0;
    store.for_each([&](const Value& v) {
        ++count;
        sum += v.status == 0 ? v.number : v.status + v.label;
    });
    std::printf("values %llu checksum %.17g\n", static_cast<unsigned long long>(count), sum);
    return got < 0 ? 1 : 0;
}
