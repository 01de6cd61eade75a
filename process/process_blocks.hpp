#pragma once
// Named global blocks of the process simulator, in 4-byte reals. Each member
// initialiser is the block's built-in value; a model statement of the deck
// overwrites the fields it gives, for the rest of the run. The statement
// values further down are what the process statements keep (or reset) from
// one statement to the next.
#include <array>
#include <string>

#include "common/run_header.hpp"

namespace tavik {

// ---------------------------------------------------------------- model blocks

// BAND: intrinsic density and band gap.
struct BNDCON {
  float CINT = 3.873e16f;  // intrinsic-density prefactor
  float EINT = 1.5f;       // temperature exponent
  float EGAP = 1.20948f;   // band gap (eV)
};

// DIFF: dopant diffusivities (cm2/s prefactors, eV activation energies).
struct DIFCON {
  float DX0A = 22.9f;   // arsenic
  float DXEA = 4.1f;
  float BETA = 100.0f;
  float DX0B = 0.555f;  // boron
  float DXEB = 3.42f;
  float BETB = 3.0f;
  float DX0P = 3.85f;   // phosphorus, neutral vacancies
  float DXEP = 3.66f;
  float DMP = 4.4f;     // phosphorus, singly charged
  float DMEP = 4.0f;
  float DMMP = 44.2f;   // phosphorus, doubly charged
  float DMME = 4.37f;
};

// OED: oxidation-enhanced diffusion (orientation 100: ...0, 111: ...1).
struct OEDCON {
  float OEA0 = 0.0f;
  float OEA1 = 0.0f;
  float OEB0 = 1.667e-5f;
  float OEB1 = 6.11e-6f;
  float OEP0 = 1.444e-5f;
  float OEP1 = 5.65e-6f;
  float OEE = 2.08f;   // activation energy (eV)
  float OELY = 25.0f;  // decay length into the depth
  float OELX = 2.0f;   // lateral decay length
  float OEOX = 0.3f;   // exponent of the growth rate
};

// DROX: dry oxidation (Deal-Grove constants).
struct OXDCON {
  float BD = 0.214444f;
  float BAD = 1730.555f;
  float BDE = 1.23f;
  float BADE = 2.0f;
  float BPF = 0.75f;  // pressure exponent above 1 atm
};

// WEOX: wet oxidation.
struct WETCON {
  float OR0 = 0.595f;  // orientation factor, 100
  float OR1 = 1.0f;    // orientation factor, 111
  float TCP = 950.0f;  // switch temperature of B (Celsius)
  float BW1 = 4.72222f;
  float BWE1 = 1.17f;
  float BW2 = 0.116667f;
  float BWE2 = 0.78f;
  float TCL = 900.0f;  // switch temperature of B/A (Celsius)
  float BAW1 = 575.0f;
  float BAE1 = 1.6f;
  float BAW2 = 49166.7f;
  float BAE2 = 2.05f;
};

// LOCO: shape of the local-oxidation edge.
struct LOCCON {
  float KHI0 = 0.0f;
  float KHI1 = 1.0f;
  float DEL0 = 0.97f;
  float DEL1 = 0.0006f;
  float DEL2 = 0.034f;
  float DEL3 = 0.49f;
  float DEL4 = 0.00021f;
  float DEL5 = 0.03f;
  float GAM0 = 0.83f;
  float GAM1 = 0.00045f;
  float GAM2 = 0.039f;
  float GAM3 = 0.76f;
  float GAM4 = 0.00035f;
  float GAM5 = 0.03f;
};

// SEGR: segregation at the silicon/oxide interface.
struct SEGCON {
  float SEGA = 1e22f;
  float SEGP = 1e22f;
  float SGBD = 13.4f;
  float SBDE = 0.33f;
  float SBW0 = 65.2f;
  float SBW1 = 104.0f;
  float SBWE = 0.66f;
  float ALAM = 12500.0f;
  float ELAM = 2.0f;
};

// SOLVE: solver controls. Set by the first instructions of a run
// (set_solcon_defaults), the initialisers hold the same values.
struct SOLCON {
  float RS = 1e-10f;  // absolute tolerance of the linear solver
  float RL = 0.001f;  // relative tolerance
  float CO = 1e-8f;   // concentration floor (units of 1e20 cm-3)
  int IT = 100;       // iteration limit of the linear solver
  int IB = 1;         // 0: wait for Enter after every step output
  int IP = 0;         // print mode of the linear solver
};

inline void set_solcon_defaults(SOLCON& s) { s = SOLCON{}; }

// ------------------------------------------------------------ dopants

// Dopant codes of the implant, deposition and thermal routines.
enum DopantCode : int { kPhosphorus = 1, kBoron = 2, kArsenic = 3 };

// Presence counters per dopant (index code-1): 0 absent, > 0 present.
using DOPCNT = std::array<int, 3>;

// ------------------------------------------------------- orientation, oxidant

// Orientation 111 selects the ...1 coefficients; every other value (100,
// never given, or anything else) the orientation-100 ones.
inline bool is_orientation_111(int OR) { return OR == 111; }

// Oxidation kind: 0 none, 1 dry, any other value wet.
inline bool is_dry_oxidation(int OX) { return OX == 1; }
inline bool is_wet_oxidation(int OX) { return OX != 0 && OX != 1; }

// ---------------------------------------------------------- statement values

// MESH (kept).
struct MeshValues {
  int NX = 0, NY = 0;
  float XX = 0.0f, YY = 0.0f;
  int IM = 1;
  float AX = 0.0f, AY = 0.0f;
};

// Background concentrations (units of 1e20 cm-3) of SUBS and EPIT, and the
// substrate orientation of SUBS.
struct SubstrateValues {
  float P = 0.0f, B = 0.0f, As = 0.0f;
  int OR = 100;  // 100 until a SUBS gives it
  float& background(int code) { return code == kPhosphorus ? P : code == kBoron ? B : As; }
  float background(int code) const { return code == kPhosphorus ? P : code == kBoron ? B : As; }
};

// Implant and deposition values of one dopant (index code-1).
struct DopantValues {
  float XM = 0.0f;  // implant mask edge (reset to 0 by every implant)
  float DZ = 0.0f;  // dose (kept)
  float EN = 0.0f;  // energy (kept)
  float XD = 0.0f;  // surface-source window (cleared after OXID and ANNE)
  float CS = 0.0f;  // surface concentration, units of 1e20 cm-3 (kept)
};

// OXID and ANNE (one set shared by both).
struct ThermalValues {
  float TC = 0.0f;   // temperature, Celsius (kept)
  float TM = 0.0f;   // duration, s (kept)
  float TAU = 0.0f;  // first time step, s (kept; the thermal step updates it)
  int OX = 0;        // oxidation kind (reset to 0)
  float POX = 0.0f;  // oxidant pressure (kept; ANNE uses the last OXID value)
  float U0 = 0.0f;   // initial oxide thickness, microns (kept)
  float XO = 0.0f;   // oxidation window: XO, 1e10 for none; 0 after ANNE
};

// EPIT (own temperature and duration).
struct EpitaxyValues {
  float TH = 0.0f;   // layer thickness, microns (reset to 0)
  float TC = 0.0f;   // temperature, Celsius (kept)
  float T = 0.0f;    // temperature, kelvin: TC + 273 once TC was given
  float TM = 0.0f;   // duration, s (kept)
  float TAU = 1.0f;  // first time step, s (reset to 1.0)
};

// COMM statement texts METH (8), PROJ (30), TIME (19): NUL bytes until the
// deck gives them; the run header of every doping file is built from them.
using CommentTexts = sim::RunHeaderTexts;

}  // namespace tavik
