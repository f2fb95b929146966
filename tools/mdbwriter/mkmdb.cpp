// mkmdb: writes the sample database and benchmark databases.
//
//     mkmdb sample OUT
//     mkmdb bench [--wide | --shape NAME] --rows N [--seed S] [--version 3|4|ace]
//                 [--code-page CP] [--moved-every N] [--encode KEY] OUT
//
// NAME is one of mixed, wide, memo, unicode, sparse, binary, extended, complex (BenchDatabase.h).
// --code-page: the code page of a Jet 3 file (single-byte Windows code pages);
// --moved-every N: every N-th row moved to another page as an edit leaves it;
// --encode KEY: a Jet 3 or Jet 4 file with its pages encoded under KEY (not 0).

#include "mdbwriter/BenchDatabase.h"
#include "mdbwriter/SampleDatabase.h"

#include <QString>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

int usage()
{
    std::fputs("usage: mkmdb sample OUT\n"
               "       mkmdb bench [--wide | --shape NAME] --rows N [--seed S] [--version 3|4|ace]\n"
               "                   [--code-page CP] [--moved-every N] [--encode KEY] OUT\n"
               "       NAME: mixed, wide, memo, unicode, sparse, binary, extended, complex\n",
               stderr);
    return 2;
}

bool parseCount(std::string_view text, std::int64_t& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

bool parseShape(std::string_view name, quorvane::mdbwriter::BenchDatabase::Shape& out)
{
    using Shape = quorvane::mdbwriter::BenchDatabase::Shape;
    static const std::pair<std::string_view, Shape> kShapes[] = {
        {"mixed", Shape::Mixed},     {"wide", Shape::Wide},     {"memo", Shape::Memo},        {"unicode", Shape::Unicode},
        {"sparse", Shape::Sparse}, {"binary", Shape::Binary}, {"extended", Shape::Extended},
        {"complex", Shape::Complex}};
    for (const auto& [shapeName, shape] : kShapes) {
        if (name == shapeName) {
            out = shape;
            return true;
        }
    }
    return false;
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
        DatabaseOptions options;
        std::int64_t codePage = options.codePage;
        std::int64_t movedEvery = 0;
        std::int64_t encodingKey = 0;
        for (int i = 2; i < argc; ++i) {
            const std::string_view arg = argv[i];
            if (arg == "--version" && i + 1 < argc) {
                const std::string_view v = argv[++i];
                if (v != "3" && v != "4" && v != "ace")
                    return usage();
                options.version = v == "3" ? Version::Jet3 : v == "4" ? Version::Jet4 : Version::Ace;
            } else if ((arg == "--rows" || arg == "--seed") && i + 1 < argc) {
                if (!parseCount(argv[++i], arg == "--rows" ? rows : seed))
                    return usage();
            } else if ((arg == "--code-page" || arg == "--moved-every" || arg == "--encode") && i + 1 < argc) {
                std::int64_t& value = arg == "--code-page" ? codePage : arg == "--moved-every" ? movedEvery : encodingKey;
                if (!parseCount(argv[++i], value) || value > 0xFFFFFFFF)
                    return usage();
            } else if (arg == "--shape" && i + 1 < argc) {
                if (!parseShape(argv[++i], shape))
                    return usage();
            } else if (arg == "--wide") {
                shape = BenchDatabase::Shape::Wide;
            } else if (!out && !arg.starts_with("--")) {
                out = argv[i];
            } else {
                return usage();
            }
        }
        if (rows < 0 || !out || codePage > 0xFFFF || movedEvery > 1'000'000)
            return usage();
        options.codePage = static_cast<std::uint16_t>(codePage);
        options.editedRowsEvery = static_cast<int>(movedEvery);
        options.encodingKey = static_cast<std::uint32_t>(encodingKey);
        return BenchDatabase(static_cast<std::uint64_t>(seed), shape).write(QString::fromLocal8Bit(out), rows, error, options)
            ? 0
            : fail(error);
    }
    return usage();
}
