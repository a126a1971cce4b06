// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The seven element values of the simulated network, in farads, henries and
// a plain coupling coefficient: what a network design and the ideal
// magnifier compute and hand over to the simulation parameters.
namespace zelvar {

struct ElementValues {
    long double C1 = 0, C2 = 0, C3 = 0, L1 = 0, L2 = 0, L3 = 0, k12 = 0;
};

}  // namespace zelvar
