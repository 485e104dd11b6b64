#pragma once

#include "app/application.h"

#include <QApplication>
#include <QtTest>

// Like QTEST_MAIN, with the program's own start-up conventions (Japanese
// locale, font substitutions) so that text widths match the program's.
#define HARUMOKA_TEST_MAIN(TestObject)                                                             \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QApplication::setAttribute(Qt::AA_Use96Dpi, true);                                         \
        QApplication app(argc, argv);                                                              \
        setupApplication(app);                                                                     \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
