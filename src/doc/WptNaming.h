#pragma once
// Small helpers of the waypoint naming rules.

#include <string>

// Leading and trailing white space removed, ASCII letters upper-cased: the
// form in which a temporary name is checked and stored.
std::string TrimUpperWptName(std::string name);
