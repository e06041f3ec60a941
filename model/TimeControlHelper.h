#pragma once
// Time formatting shared by the Time field accessors and the potentiometer panel.

#include "LanguageSupport.h"

class CTimeControlHelper : public Language::CLanguageSupport {
};
