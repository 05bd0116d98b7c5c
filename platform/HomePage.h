// The product's home page address: the start of the news address, the link of the
// built-in news page, the About box's web link and Help, Visit Home Page.
#pragma once

#include <QString>

namespace solvara {

QString HomePageAddress();

// Points the program at another home page (tests serve the news from 127.0.0.1);
// an empty text restores the built-in address.
void SetHomePageAddressForTesting(const QString& address);

}  // namespace solvara
