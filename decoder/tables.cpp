// The standard's constant tables and the tables that follow from formulas.
#include "decoder/tables.h"

#include <cmath>

namespace ulx3 {

const int16_t kBitrates[2][16] = {
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
};

const int32_t kSampleRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};

const int16_t kLongBandStart[6][23] = {
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
};

const int16_t kShortBandStart[6][14] = {
    {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
    {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192},
    {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192},
    {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192},
};

const uint8_t kPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

const uint8_t kSlen[2][16] = {
    {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
    {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3},
};

const uint8_t kPartitionSizes[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},
    {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}},
    {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},
    {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};

const double kAliasC[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

// The synthesis window's first 257 coefficients in units of 2^-16 (they are all exact
// multiples of it); the rest follow from the window's symmetry (see PrepareTables).
const int32_t kSynthesisWindowHalf[257] = {
    0, -1, -1, -1, -1, -1, -1, -2, -2, -2, -2, -3, -3, -4, -4, -5,
    -5, -6, -7, -7, -8, -9, -10, -11, -13, -14, -16, -17, -19, -21, -24, -26,
    -29, -31, -35, -38, -41, -45, -49, -53, -58, -63, -68, -73, -79, -85, -91, -97,
    -104, -111, -117, -125, -132, -139, -147, -154, -161, -169, -176, -183, -190, -196, -202, -208,
    213, 218, 222, 225, 227, 228, 228, 227, 224, 221, 215, 208, 200, 189, 177, 163,
    146, 127, 106, 83, 57, 29, -2, -36, -72, -111, -153, -197, -244, -294, -347, -401,
    -459, -519, -581, -645, -711, -779, -848, -919, -991, -1064, -1137, -1210, -1283, -1356, -1428, -1498,
    -1567, -1634, -1698, -1759, -1817, -1870, -1919, -1962, -2001, -2032, -2057, -2075, -2085, -2087, -2080, -2063,
    2037, 2000, 1952, 1893, 1822, 1739, 1644, 1535, 1414, 1280, 1131, 970, 794, 605, 402, 185,
    -45, -288, -545, -814, -1095, -1388, -1692, -2006, -2330, -2663, -3004, -3351, -3705, -4063, -4425, -4788,
    -5153, -5517, -5879, -6237, -6589, -6935, -7271, -7597, -7910, -8209, -8491, -8755, -8998, -9219, -9416, -9585,
    -9727, -9838, -9916, -9959, -9966, -9935, -9863, -9750, -9592, -9389, -9139, -8840, -8492, -8092, -7640, -7134,
    6574, 5959, 5288, 4561, 3776, 2935, 2037, 1082, 70, -998, -2122, -3300, -4533, -5818, -7154, -8540,
    -9975, -11455, -12980, -14548, -16155, -17799, -19478, -21189, -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640,
    -37489, -39336, -41176, -43006, -44821, -46617, -48390, -50137, -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
    -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420, -72169, -72835, -73415, -73908, -74313, -74630, -74856, -74992,
    75038,
};

DerivedTables g_tables;

namespace {

constexpr double kPi = 3.14159265358979323846;

void PrepareSpectrumTables(DerivedTables& t) {
    for (int n = 0; n <= kLargestQuantised; ++n) {
        t.power[n] = static_cast<float>(std::pow(static_cast<double>(n), 4.0 / 3.0));
    }
    for (int i = 0; i < 640; ++i) {
        t.gain[i] = static_cast<float>(std::exp2((i - 512) / 4.0));
    }
    for (int row = 0; row < 6; ++row) {
        int j = 0;
        for (int band = 0; band < 13; ++band) {
            const int start = kShortBandStart[row][band];
            const int width = kShortBandStart[row][band + 1] - start;
            for (int w = 0; w < 3; ++w) {
                for (int k = 0; k < width; ++k) {
                    const int f = start + k;
                    t.reorder[row][j++] = static_cast<int16_t>((f / 6) * 18 + w * 6 + f % 6);
                }
            }
        }
    }
}

void PrepareStereoTables(DerivedTables& t) {
    for (int p = 0; p < 8; ++p) {
        t.isRatio[p] = p < 6 ? static_cast<float>(1.0 / (1.0 + std::tan(p * kPi / 12.0))) : 0.0f;
    }
    for (int scale = 0; scale < 2; ++scale) {
        for (int n = 0; n < 16; ++n) {
            t.isLsf[scale][n] = static_cast<float>(std::exp2(-n * (scale + 1) / 4.0));
        }
    }
    for (int i = 0; i < 8; ++i) {
        const double root = std::sqrt(1.0 + kAliasC[i] * kAliasC[i]);
        t.aliasCs[i] = static_cast<float>(1.0 / root);
        t.aliasCa[i] = static_cast<float>(kAliasC[i] / root);
    }
}

void PrepareImdctTables(DerivedTables& t) {
    for (int i = 0; i < 36; ++i) {
        const double longWindow = std::sin((i + 0.5) * kPi / 36.0);
        t.imdctWindow[0][i] = static_cast<float>(longWindow);
        double start = 0.0;
        if (i < 18) {
            start = longWindow;
        } else if (i < 24) {
            start = 1.0;
        } else if (i < 30) {
            start = std::sin((i - 18 + 0.5) * kPi / 12.0);
        }
        t.imdctWindow[1][i] = static_cast<float>(start);
        t.imdctWindow[2][i] = 0.0f;
        double stop = 0.0;
        if (i >= 18) {
            stop = longWindow;
        } else if (i >= 12) {
            stop = 1.0;
        } else if (i >= 6) {
            stop = std::sin((i - 6 + 0.5) * kPi / 12.0);
        }
        t.imdctWindow[3][i] = static_cast<float>(stop);
    }
    for (int i = 0; i < 12; ++i) {
        t.shortWindow[i] = static_cast<float>(std::sin((i + 0.5) * kPi / 12.0));
    }
    for (int n = 0; n < 4; ++n) {
        for (int m = 0; m < 9; ++m) {
            t.dct9[n][m] = static_cast<float>(std::cos(kPi * m * (2 * n + 1) / 18.0));
        }
    }
    for (int n = 0; n < 9; ++n) {
        t.imdctOddScale[n] = static_cast<float>(0.5 / std::cos((2 * n + 1) * kPi / 36.0));
    }
    for (int n = 0; n < 18; ++n) {
        t.imdctScale[n] = static_cast<float>(0.5 / std::cos((2 * n + 1) * kPi / 72.0));
    }
    for (int n = 0; n < 6; ++n) {
        for (int k = 0; k < 6; ++k) {
            t.dct4Six[n][k] = static_cast<float>(std::cos(kPi * (2 * n + 1) * (2 * k + 1) / 24.0));
        }
    }
}

void PrepareSynthesisTables(DerivedTables& t) {
    // The window is symmetric about tap 256 apart from its sign, which flips in every block
    // of 64 taps but the first: D[512 - i] = -D[i], except at multiples of 64.
    for (int i = 0; i <= 256; ++i) {
        t.synthesisWindow[i] = static_cast<float>(kSynthesisWindowHalf[i] / 65536.0);
    }
    for (int i = 257; i < 512; ++i) {
        const int mirror = 512 - i;
        const float value = t.synthesisWindow[mirror];
        t.synthesisWindow[i] = (mirror % 64 == 0) ? value : -value;
    }
    for (int level = 0; level < 5; ++level) {
        const int size = 32 >> level;
        for (int i = 0; i < size / 2; ++i) {
            t.dctScale[level][i] = static_cast<float>(0.5 / std::cos(kPi * (2 * i + 1) / (2.0 * size)));
        }
    }
    for (int i = 0; i < 512; ++i) {
        t.synthesisScaled[i] = t.synthesisWindow[i] * 32768.0f;
    }
}

} // namespace

void PrepareTables() {
    static bool prepared = false;
    if (prepared) {
        return;
    }
    PrepareSpectrumTables(g_tables);
    PrepareStereoTables(g_tables);
    PrepareImdctTables(g_tables);
    PrepareSynthesisTables(g_tables);
    prepared = true;
}

} // namespace ulx3
