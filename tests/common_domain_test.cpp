// The domain reader, in both dialects, and the label lookup.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "domain.h"
#include "support/capture.h"
#include "support/run_program.h"

namespace {

const std::string DECLARATIONS =
    "outlook: sunny, overcast, rain\n\n"
    "no colon here\n"
    "humidity: continuous\n"
    "size: [ordered], small, medium, large\n"
    "count: 1, 2, 5\n"
    "down: 5, 2, 1\n"
    "same: 1, 1, 2\n"
    "reals: 1.0, 2.0\n"
    "when: date\n"
    "\t: a, b\n"  // no name: skipped, and its value list read as a line without a colon
    "colour: red, light blue, green.\n"
    "play: yes, no.\n";

// Each entry as name=type, then its labels in braces; "refused" when no domain was read.
std::string entries_of(const std::optional<Domain>& domain) {
    if (!domain) return "refused";
    std::string text;
    for (size_t a = 1; a < domain->attributes.size(); ++a) {
        const Attribute& entry = domain->attributes[a];
        text += (a > 1 ? "; " : "") + entry.name + "=" + std::to_string(entry.type);
        for (int v = 1; v <= entry.nr_values(); ++v)
            text += (v == 1 ? "{" : ",") + entry.values[static_cast<size_t>(v)];
        if (entry.nr_values() > 0) text += "}";
    }
    return text;
}

// Declarations of every type in both dialects; ".names" files as other tools write them: a
// header of comments and blank lines before the class list, comment lines among the
// declarations, some holding colons; then domains that are refused; then the lookup of a
// label's number.
TEST(DomainFiles, DeclarationsNamesFilesRefusalsAndLookups) {
    const TempDir dir;
    const std::string base = dir.file("d").string();
    const std::string header = "| census data\n|\n\n ,\t, \n| Probability for the label '>50K'  : 23.93%\n\n";
    const std::string comment = "| Probability for the label '>50K'  : 23.93% / 24.78% (without unknowns)\n";
    const std::string declarations = "age: continuous.\n" + comment + "\t  |note: a, b\n|\nwork: Private, Self-emp.\n";
    const struct {
        std::string file, text;
        Dialect dialect;
        std::string entries;
        std::string err = "";
    } cases[] = {
        {"d.domain", DECLARATIONS, Dialect::Main,
         "outlook=0{sunny,overcast,rain}; humidity=3; size=1{[ordered],small,medium,large}; count=2{1,2,5}; "
         "down=0{5,2,1}; same=0{1,1,2}; reals=0{1.0,2.0}; when=5; colour=0{red,light blue,green}; play=0{yes,no}"},
        {"d.domain", "a: ignore\nb: ignore, x, y\nc: whatever\nk: p, q\n", Dialect::Main, "a=4; b=4; c=4; k=0{p,q}"},
        // The older dialect reports the unrecognised single word, knows no "date" nor
        // "[ordered]", and compares labels as reals.
        {"d.domain", "c: whatever\nd: date\ns: [ordered], lo, hi\nh: 0.5, 1.5\nk: p q\n", Dialect::Solmet,
         "c=4; d=4; s=0{[ordered],lo,hi}; h=2{0.5,1.5}; k=0{p,q}",
         "Invalid Attribute declaration\nInvalid Attribute declaration\n"},
        // It also splits value lists at semicolons.
        {"d.domain", "outlook: sunny;overcast;rain\nplay: yes, no\n", Dialect::Solmet,
         "outlook=0{sunny,overcast,rain}; play=0{yes,no}"},
        {"d.names", "good bad\nx: continuous\n", Dialect::Main, "x=3; Classe=0{good,bad}"},
        {"d.names", "yes;no\n", Dialect::Main, "Classe=0{yes,no}"},
        {"d.names", header + ">50K, <=50K.\n" + declarations, Dialect::Main,
         "age=3; work=0{Private,Self-emp}; Classe=0{>50K,<=50K}"},
        // The older dialect passes over the same header; a "|" after blanks starts a name.
        {"d.names", header + ">50K <=50K\n" + declarations, Dialect::Solmet,
         "age=3; \t  |note=0{a,b}; work=0{Private,Self-emp}; Classe=0{>50K,<=50K}"},
        // In a ".domain" file such a line is a declaration like any other.
        {"d.domain", "age: continuous\n" + comment + "k: p, q\n", Dialect::Main,
         "age=3; | Probability for the label '>50K'=4; k=0{p,q}"},
        {"d.names", header + "| no class list\n", Dialect::Main, "refused"},
        {"d.names", header, Dialect::Solmet, "refused"},
        {"d.domain", "", Dialect::Main, "refused"},
        {"d.domain", "x: a, b\nk: continuous\n", Dialect::Main, "refused"},
        {"d.domain", "x: a, b\nk: ignore\n", Dialect::Main, "refused"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir.file("d.domain"));
        std::filesystem::remove(dir.file("d.names"));
        dir.write(c.file, c.text);
        std::optional<Domain> domain;
        const Captured captured = capture_output([&] { domain = ReadDomain(base, ".domain", c.dialect); });
        EXPECT_EQ(entries_of(domain), c.entries) << c.text;
        const std::string refusal =
            (c.file == "d.names" ? "Read Names: " + base + ".names Invalid domain file\n" : "") +
            "Read Domain: " + base + ".domain Invalid domain file\n";
        EXPECT_EQ(captured.err, c.entries == "refused" ? refusal : c.err) << c.text;
    }
    dir.write("d.domain", DECLARATIONS);
    const auto domain = ReadDomain(base, ".domain", Dialect::Main);
    ASSERT_TRUE(domain);
    EXPECT_EQ(IdValLbl(*domain, 3, "small"), 2);
    EXPECT_EQ(IdValLbl(*domain, 1, "rain"), 3);
    EXPECT_EQ(IdValLbl(*domain, 1, "Rain"), 0);
    EXPECT_EQ(IdValLbl(*domain, 2, "continuous"), 0);
}

}  // namespace
