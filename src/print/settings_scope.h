// The carry-over entries take their name from Module1::printSettings. A
// printout is drawn with the settings it was given, so while it runs those
// are the settings the summaries see.
#pragma once

#include "app/module1.h"

class PrintSettingsScope {
public:
    PrintSettingsScope(Module1 &m, const PrintSettings &ps) : m_module(m), m_saved(m.printSettings)
    {
        m.printSettings = [ps] { return ps; };
    }
    ~PrintSettingsScope() { m_module.printSettings = m_saved; }
    PrintSettingsScope(const PrintSettingsScope &) = delete;
    PrintSettingsScope &operator=(const PrintSettingsScope &) = delete;

private:
    Module1 &m_module;
    std::function<PrintSettings()> m_saved;
};
