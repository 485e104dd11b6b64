#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QtTest>

// Like QTEST_GUILESS_MAIN, with the Japanese locale the program sets: tests
// of the layers below the windows need no QApplication.
#define HARUMOKA_CORE_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));                           \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
