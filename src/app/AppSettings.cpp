#include "app/AppSettings.h"

const MapTypeInfo& DefaultMapType(int row) {
    static const MapTypeInfo rows[kMapTypeCount] = {
        {"PK250", "", 250000, 0, 28, 784, 236, 10000, 2000},
        {"TK50", "", 50000, 1, 28, 784, 1181, 10000, 1000},
        {"TK25", "", 25000, 2, 56, 3136, 1181, 5000, 500},
        {"TN10", "", 10000, 3, 140, 19600, 1181, 2000, 500},
        {"OF50", "", 50000, 1, 28, 784, 1181, 10000, 1000},
    };
    return rows[row < 0 ? 0 : row >= kMapTypeCount ? kMapTypeCount - 1 : row];
}
