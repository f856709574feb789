// The program's string table (resources/string_table.inc).
#pragma once

#include <QString>

// The text with this id; empty for an id the table lacks.
QString LoadString(int id);
