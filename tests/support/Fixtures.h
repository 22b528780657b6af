#pragma once

#include <QString>

// Workbooks written at build time by commands/fixtures/make_fixtures.py.
inline QString madeFixture(const QString& name)
{
    return QStringLiteral(ORVELLE_MADE_FIXTURES "/") + name;
}

// Workbooks kept in the tree: saved by a spreadsheet application, or damaged.
inline QString keptFixture(const QString& name)
{
    return QStringLiteral(ORVELLE_KEPT_FIXTURES "/") + name;
}
