// The account's title: which of the two title modes it uses and the fields
// of both. The account file stores it, the print settings sheet edits it,
// and the printouts' titles and signatures and the carry-over entries'
// names come from it.
#pragma once

#include <QString>

struct AccountTitle {
    bool classMode = true;                               // "学級の会計"; false: "その他の会計"
    QString schoolName, schoolYear, grade, room, charge; // class-account mode
    QString title, reporter, carryOverName;              // other-account mode

    // The article of the carry-over entries when the other-account title
    // gives one; empty means the default names.
    QString carryOverOverride() const { return classMode ? QString() : carryOverName; }

    bool operator==(const AccountTitle &) const = default;
};
