// The component palette of the design environment: which component classes
// a package offers, on which page. Design-time registration fills it.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

void RegisterComponents(const std::string& Page, std::initializer_list<std::string> ClassNames);
// The class names registered on a page, in order of registration; a class
// registered twice on a page is listed once.
std::vector<std::string> PaletteComponents(const std::string& Page);
