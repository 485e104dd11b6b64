#pragma once

#include "print/fonts.h"

#include <QGuiApplication>
#include <QLocale>
#include <QtTest>

// For the printouts: a QGuiApplication (fonts, printers) with the font
// substitutions the program installs, and no widgets.
#define HARUMOKA_PRINT_TEST_MAIN(TestObject)                                                       \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QGuiApplication app(argc, argv);                                                           \
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));                           \
        installFontSubstitutions();                                                                \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
