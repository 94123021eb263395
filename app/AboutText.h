#pragma once
// The About box's text: version, licence, and the libraries with their versions.

#include <QString>

QString AboutText();
