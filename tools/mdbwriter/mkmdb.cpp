// mkmdb: writes the sample database and benchmark databases.
//
//     mkmdb sample OUT
//     mkmdb bench [--wide] --rows N [--seed S] [--version 3|4|ace] OUT

#include "mdbwriter/BenchDatabase.h"
#include "mdbwriter/SampleDatabase.h"

#include <QString>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

int usage()
{
    std::fputs("usage: mkmdb sample OUT\n"
               "       mkmdb bench [--wide] --rows N [--seed S] [--version 3|4|ace] OUT\n",
               stderr);
    return 2;
}

bool parseCount(std::string_view text, std::int64_t& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

int fail(const QString& error)
{
    std::fprintf(stderr, "mkmdb: %s\n", error.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace quorvane::mdbwriter;
    if (argc < 2)
        return usage();
    const std::string_view command = argv[1];
    QString error;

    if (command == "sample") {
        if (argc != 3)
            return usage();
        return SampleDatabase::write(QString::fromLocal8Bit(argv[2]), error) ? 0 : fail(error);
    }

    if (command == "bench") {
        std::int64_t rows = -1;
        std::int64_t seed = 1;
        const char* out = nullptr;
        auto shape = BenchDatabase::Shape::Mixed;
        Version version = Version::Jet4;
        for (int i = 2; i < argc; ++i) {
            const std::string_view arg = argv[i];
            if (arg == "--version" && i + 1 < argc) {
                const std::string_view v = argv[++i];
                if (v != "3" && v != "4" && v != "ace")
                    return usage();
                version = v == "3" ? Version::Jet3 : v == "4" ? Version::Jet4 : Version::Ace;
            } else if ((arg == "--rows" || arg == "--seed") && i + 1 < argc) {
                if (!parseCount(argv[++i], arg == "--rows" ? rows : seed))
                    return usage();
            } else if (arg == "--wide") {
                shape = BenchDatabase::Shape::Wide;
            } else if (!out && !arg.starts_with("--")) {
                out = argv[i];
            } else {
                return usage();
            }
        }
        if (rows < 0 || !out)
            return usage();
        return BenchDatabase(static_cast<std::uint64_t>(seed), shape).write(QString::fromLocal8Bit(out), rows, error, version)
            ? 0
            : fail(error);
    }
    return usage();
}
