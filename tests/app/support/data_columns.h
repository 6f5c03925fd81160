#pragma once
// The columns of a Qt Test data table in one line: the types in order as
// template arguments, then their names.

#include <QTest>

namespace cuemark::testing {

template <typename... Types, typename... Names>
requires(sizeof...(Types) == sizeof...(Names)) void AddColumns(Names... names) {
    (QTest::addColumn<Types>(names), ...);
}

} // namespace cuemark::testing
