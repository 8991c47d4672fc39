#pragma once
// 100 bytes of 'U' placed between two stores of the document: a write past
// the end of the store before it shows as a damaged band when the document
// goes (it beeps then).

#include <cstring>

struct CGuardBand {
    CGuardBand() { std::memset(bytes, 'U', sizeof bytes); }
    bool Intact() const {
        for (unsigned char c : bytes)
            if (c != 'U') return false;
        return true;
    }
    unsigned char bytes[100];
};
