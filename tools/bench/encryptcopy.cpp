// encryptcopy: an encrypted copy of a plain database, to time the page decoders on
// tables of any size (the encrypted files at hand are small).
//
//     encryptcopy agile|standard|rc4 PASSWORD PLAIN.accdb OUT.accdb   (ACE, with a password)
//     encryptcopy agile --spin N PASSWORD PLAIN.accdb OUT.accdb       (N rounds of key derivation)
//     encryptcopy jet PLAIN.mdb OUT.mdb                               (Jet page encoding)
//
// The encryptor is the tests' own, laid out as Access lays out its files.

#include "db/CryptoTestEncryptor.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int usage()
{
    std::fputs("usage: encryptcopy agile|standard|rc4 PASSWORD PLAIN OUT\n"
               "       encryptcopy agile --spin N PASSWORD PLAIN OUT\n"
               "       encryptcopy jet PLAIN OUT\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace quorvane::cryptotest;
    if (argc < 2)
        return usage();
    const bool jet = std::strcmp(argv[1], "jet") == 0;
    AgileOptions agile;
    std::vector<char*> args(argv, argv + argc);
    if (argc == 7 && std::strcmp(argv[1], "agile") == 0 && std::strcmp(argv[2], "--spin") == 0) {
        agile.spinCount = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
        args.erase(args.begin() + 2, args.begin() + 4);
    }
    argc = static_cast<int>(args.size());
    argv = args.data();
    if (argc != (jet ? 4 : 5))
        return usage();
    const QString password = jet ? QString() : QString::fromLocal8Bit(argv[2]);
    QFile in(QString::fromLocal8Bit(argv[argc - 2]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "encryptcopy: %s\n", qPrintable(in.errorString()));
        return 1;
    }
    const QByteArray plain = in.readAll();
    QByteArray out;
    if (jet)
        out = encodeJet(plain);
    else if (std::strcmp(argv[1], "agile") == 0)
        out = encryptAgile(plain, password, agile);
    else if (std::strcmp(argv[1], "standard") == 0)
        out = encryptStandard(plain, password, StandardOptions{});
    else if (std::strcmp(argv[1], "rc4") == 0)
        out = encryptCryptoApiRc4(plain, password, CryptoApiOptions{});
    else
        return usage();
    QSaveFile file(QString::fromLocal8Bit(argv[argc - 1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        std::fprintf(stderr, "encryptcopy: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
