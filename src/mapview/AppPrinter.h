#pragma once
// The one printer of the program. Page setup, print setup, the print-area
// size and every print job use it, so a choice made in one place holds for
// all of them.

class QPrinter;

// High resolution, origin at the printable area (not the paper corner). When
// the system has no printer it stands on A4 until the user chooses one.
QPrinter& AppPrinter();
