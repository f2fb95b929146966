#pragma once

// The location texts that name each reporting routine in an error report. They are
// fixed strings, written out in full: the one of NonSystemTables has no date stamp, and
// every one ends with a blank that the report's "at line " follows.

#include <QString>

namespace quorvane::report::location {

inline const QString kForm1FormLoad = QStringLiteral("in Kestrine2018/12/03.Form1.Form_Load ");
inline const QString kForm1PushButton1Click = QStringLiteral("in Kestrine2018/12/03.Form1.PushButton1_Click ");
inline const QString kForm1PushButton3Click = QStringLiteral("in Kestrine2018/12/03.Form1.PushButton3_Click ");
inline const QString kForm1PushButton5Click = QStringLiteral("in Kestrine2018/12/03.Form1.PushButton5_Click ");
inline const QString kForm2FormLoad = QStringLiteral("in Kestrine2018/12/03.Form2.Form_Load ");
inline const QString kForm2PushButton1Click = QStringLiteral("in Kestrine2018/12/03.Form2.PushButton1_Click ");
inline const QString kForm2PushButton2Click = QStringLiteral("in Kestrine2018/12/03.Form2.PushButton2_Click ");
inline const QString kForm2PushButton3Click = QStringLiteral("in Kestrine2018/12/03.Form2.PushButton3_Click ");
inline const QString kForm2PushButton4Click = QStringLiteral("in Kestrine2018/12/03.Form2.PushButton4_Click ");
inline const QString kForm2PushButton5Click = QStringLiteral("in Kestrine2018/12/03.Form2.PushButton5_Click ");
inline const QString kAccessNonSystemTables = QStringLiteral("in Kestrine.Access.NonSystemTables ");
inline const QString kAccessAddTablesToAccessListbox =
    QStringLiteral("in Kestrine2018/12/03.Access.AddTablesToAccessListbox ");

} // namespace quorvane::report::location
