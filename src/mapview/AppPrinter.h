#pragma once
// The one printer of the program. Page setup, print setup, the print-area
// size and every print job use it, so a choice made in one place holds for
// all of them.

class QPageLayout;
class QPrinter;

// High resolution, origin at the printable area (not the paper corner). When
// the system has no printer it stands on A4 until the user chooses one.
// Made at the first call: building it loads the print plugin and asks the
// print server.
QPrinter& AppPrinter();

// A new printer set up as AppPrinter() is at its start; the caller owns it.
QPrinter* NewAppPrinter();

// The printer's page as AppPrinter() has it. Before the printer is made, and
// while the system surely has no printer, the same page without making it,
// so that start-up does not wait for the print plugin.
QPageLayout AppPrinterPageLayout();

// Whether the printer has been made.
bool AppPrinterMade();

// The page a printer stands on when the system has no printer.
QPageLayout NoPrinterPageLayout();

// False only when no printer can be found: no print plugin, or no print
// server and no network printer discovery to ask. Cheap: looks at files
// and tries the local port.
bool SystemMayHavePrinter();
