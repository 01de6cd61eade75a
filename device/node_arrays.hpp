#pragma once
// The arrays of a device run, each under its own name. Node arrays hold one
// 8-byte real per node, node n = i + j*NX (0-based column i, row j), all in
// internal units (potentials in VT, densities in NI, rates in G0, current
// densities in J0).
#include <vector>

#include "common/zederm.hpp"
#include "device/blocks.hpp"

namespace devora {

// The mesh: coordinates, inverse spacings and control widths per axis, and
// the electrode on the top and bottom node of every column. Allocated after
// the deck; the mesh set-up and every regrid fill them.
struct MeshArrays {
  std::vector<double> X, HX, WX;  // NX: columns, 1/spacing (0 at the end), control width
  std::vector<double> Y, HY, WY;  // NY: rows, likewise
  std::vector<int> ETOP, EBOT;    // NX: electrode row (1-based) on the top/bottom node, 0 none
};

// Doping and solution: what the doping set-up leaves for the solvers.
// Allocated after the deck.
struct NodeArrays {
  std::vector<double> NETD;          // net doping, donors minus acceptors
  std::vector<double> TOTD;          // total doping (box mode: 1 + sum of magnitudes)
  std::vector<double> QINT;          // oxide side charges spread onto the nodes
  std::vector<double> NIE, LNIE;     // effective intrinsic density and its logarithm
  std::vector<double> PSI;           // electrostatic potential
  std::vector<double> ELEC, HOLE;    // carrier densities
  std::vector<double> ELEC0, HOLE0;  // equilibrium densities
};

// Per-carrier results of the continuity equations and the generation models.
struct CarrierArrays {
  std::vector<double> JX, JY;        // current density on the x edge (n, n+1) and y edge (n, n+NX)
  std::vector<double> JDIFX, JDIFY;  // their diffusion parts
  std::vector<double> JDRX, JDRY;    // their drift parts
  std::vector<double> GI;            // impact-ionisation rate of the carrier (GN, GP)
  std::vector<double> AIX, AIY;      // weights of the implicit impact-ionisation term
  std::vector<double> PHI;           // quasi-Fermi potential (PHIN, PHIP; 0 in oxide)
};

// Generation, recombination, currents and derived fields. Allocated after
// the doping set-up.
struct ModelArrays {
  PerCarrier<CarrierArrays> carrier;
  std::vector<double> JTX, JTY;          // total current density (electrons + holes)
  std::vector<double> GOPT;              // optical generation
  std::vector<double> GII;               // total impact-ionisation generation
  std::vector<double> GBB, CBB, XBB;     // band-to-band tunnelling: rate, implicit coefficient, density factor
  std::vector<double> RSRH, RAUG, RRAD;  // SRH, Auger and radiative recombination rates
  std::vector<double> RGB;               // grain-boundary recombination (always 0)
  std::vector<double> GXPSI, GYPSI;      // forward-difference gradient of PSI
  std::vector<double> RHO;               // space charge p - n + NETD
  std::vector<double> EC, EMID, EV;      // band edges and mid-gap level
};

// Storage of the linear solves: the five-diagonal system, its right-hand
// side and solution vector, and the Krylov work arrays with the iteration
// history (room for MAXPOI entries). No content carries between solves.
struct SolverArrays {
  sim::FiveDiagonalArrays<double> system{0, 0};
  std::vector<double> RHS, XSOL;
  sim::SolverStorage<double> work{0, 0};
};

// Scratch node arrays lent to one routine at a time (no content carries
// between calls).
struct WorkArrays {
  std::vector<double> GX, GY;    // Poisson: coupling of node n with n-1 and with n-NX
  std::vector<double> EXW, EYW;  // field components (tunnelling, impact ionisation)
  std::vector<double> BX, BY;    // continuity: Bernoulli factors of the x edge (n, n+1) and y edge (n, n+NX)
  std::vector<double> MUX, MUY;  // continuity: edge conductances (mobility x region factor / spacing)
  std::vector<double> TX, TY;    // continuity: implicit impact-ionisation weights
  std::vector<double> GCOR;      // continuity: implicit generation at the previous density
};

// Model terms that depend on the mesh and the doping alone, kept between
// Gummel iterations and rebuilt after every doping set-up: the doping parts
// of the LOMB mobility per mesh edge and carrier, and the SRH lifetimes per
// node.
struct DopingTermArrays {
  struct EdgeTerms {
    std::vector<double> acoustic_x, bulk_x;  // edge (n, n+1)
    std::vector<double> acoustic_y, bulk_y;  // edge (n, n+NX)
  };
  long generation = -1;  // the doping set-up they belong to
  PerCarrier<EdgeTerms> lombardi;
  std::vector<double> TAUN, TAUP;
};

// Calls a function on every node array of a group, so that allocation and
// zeroing cannot miss one.
template <class F>
void for_each_array(NodeArrays& a, F f) {
  for (auto* v : {&a.NETD, &a.TOTD, &a.QINT, &a.NIE, &a.LNIE, &a.PSI, &a.ELEC, &a.HOLE, &a.ELEC0, &a.HOLE0})
    f(*v);
}

template <class F>
void for_each_array(WorkArrays& a, F f) {
  for (auto* v : {&a.GX, &a.GY, &a.EXW, &a.EYW, &a.BX, &a.BY, &a.MUX, &a.MUY, &a.TX, &a.TY, &a.GCOR}) f(*v);
}

template <class F>
void for_each_array(ModelArrays& a, F f) {
  for (CarrierArrays* c : {&a.carrier.n, &a.carrier.p})
    for (auto* v : {&c->JX, &c->JY, &c->JDIFX, &c->JDIFY, &c->JDRX, &c->JDRY, &c->GI, &c->AIX, &c->AIY, &c->PHI})
      f(*v);
  for (auto* v : {&a.JTX, &a.JTY, &a.GOPT, &a.GII, &a.GBB, &a.CBB, &a.XBB, &a.RSRH, &a.RAUG, &a.RRAD, &a.RGB,
                  &a.GXPSI, &a.GYPSI, &a.RHO, &a.EC, &a.EMID, &a.EV})
    f(*v);
}

}  // namespace devora
