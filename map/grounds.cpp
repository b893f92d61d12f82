// SPDX-License-Identifier: MIT
#include "grounds.h"

namespace grounds {

const ground &at(int index)
{
    // Literals, so that a load copies nothing.
    static const ground table[count] = {
        {QStringLiteral(":/sols/RSC/terrain/terre.png"), QStringLiteral("terre")},
        {QStringLiteral(":/sols/RSC/terrain/herbe.png"), QStringLiteral("herbe")},
        {QStringLiteral(":/sols/RSC/terrain/dalles.png"), QStringLiteral("dalles")},
        {QStringLiteral(":/sols/RSC/terrain/roche.png"), QStringLiteral("roche")},
        {QStringLiteral(":/sols/RSC/terrain/sable.png"), QStringLiteral("sable")},
        {QStringLiteral(":/sols/RSC/terrain/eau.png"), QStringLiteral("eau")},
        {QStringLiteral(":/sols/RSC/terrain/lave.png"), QStringLiteral("lave")},
        {QStringLiteral(":/sols/test.png"), QStringLiteral("tuile de test")},
        {QStringLiteral(":/sols/vide.png"), QStringLiteral("vide")},
    };
    return table[index];
}

} // namespace grounds
