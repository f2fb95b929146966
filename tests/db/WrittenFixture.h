#pragma once

#include <QByteArray>

namespace quorvane::cryptotest {

// The corpus file `corpusName` when the corpus is present; otherwise the sample
// database as the writer makes it in the same version (Jet 3 for Access 97 names, ACE
// for .accdb, Jet 4 for the rest), so that the tests over it run on any clone.
QByteArray corpusOrWritten(const char* corpusName);

} // namespace quorvane::cryptotest
