#pragma once
// Named global blocks of the device simulator. Each member initialiser is the
// block's built-in value; deck statements overwrite the fields they give.
// Constants written as static_cast<double>(x.xf) are the 4-byte reals the
// models were calibrated with, widened to 8 bytes (4.35f is 4.349999904632568).
#include <array>
#include <string>
#include <vector>

#include "common/fixed_text.hpp"

namespace devora {

// Integer controls and model switches.
struct IGRID {
  int NNODE = 0;     // node count NX*NY, set after the deck
  int NX = 4;        // mesh lines along x
  int NY = 30;       // mesh lines along y
  int READ = 0;      // 1: skip reading and generating the mesh
  int MESH = 2;      // 1 reads the mesh file, other values generate it
  int MOBMOD = 3;    // mobility model: 1 CONM, 2 YAMA, 3 LOMB, 4 BIPO
  int unused7 = 0;
  int PRNT = 0;      // solver print control
  int HVDO = 1;      // band-gap narrowing
  int IMPI = 0;      // impact ionisation
  int unused11 = 0;
  int ELHL = 0;
  int DOPMOD = 1;    // doping source: 1 analytic boxes, 2 doping file
  int IQM = 0;       // quantum correction
  int BBTL = 0;      // band-to-band tunnelling
  int MAXPOI = 1000; // iteration limit of the linear solves
  int IGRM = 10;     // regridding passes
};

// Device size in microns as read: width, depth, third dimension, first y step.
struct GEOM {
  double XX = 1.0;
  double YY = 1.0;
  double ZZ = 1.0;
  double HY0 = 0.003;
};

// Physical constants and the scales of the internal units. The deck sets
// only the permittivities; the material set-up computes the scales.
struct SCALE {
  double NI = 1.45e10;      // intrinsic density scale, cm-3
  double VT = 0.025851;     // thermal voltage, V
  double Q = 1.602e-19;     // elementary charge, C
  double EPS0 = 8.854e-12;  // vacuum permittivity, F/m
  double EPSD = 3.9;        // insulator relative permittivity
  double EPSS = 11.8;       // semiconductor relative permittivity
  double LD = 0.0;          // intrinsic Debye length, cm
  double LDUM = 0.0;        // LD in microns
  double LD2 = 0.0;         // LD squared; also the time scale in seconds
  double E0 = 0.0;          // field scale VT/LD, V/cm
  double I0 = 0.0;          // terminal-current scale
  double QS0 = 0.0;         // surface-charge scale, cm-2
  double G0 = 0.0;          // generation-rate scale, cm-3 s-1
  double J0 = 0.0;          // current-density scale
  double HPL = 6.63e-34;    // Planck constant
  double CLIGHT = 2.998e8;  // speed of light, m/s
};

// Work functions of the gate metal and the semiconductor, in volts as read;
// EG and PHI0 are computed by the material set-up.
struct COMCON {
  double FIM = static_cast<double>(4.35f);
  double FIS = static_cast<double>(4.17f);
  double EG = 0.0;    // band gap in thermal voltages
  double PHI0 = 0.0;  // semiconductor reference level
};

// Band and recombination parameters.
struct RECOMB {
  // Band gap and densities of states (BAND).
  double TEMP = 300.0, EG30 = 1.08, EGAL = 4.73e-4, EGBE = 636.0, ENC3 = 2.8e19, ENV3 = 1.04e19,
         VOBG = 0.009, CONB = 1e17, CNSB = 0.5;
  double ETRA = 0.0;       // trap level (SRH)
  double AUGN = 2.8e-31;   // Auger coefficient, electrons
  double TAUN = 1e-7, NSRN = 5e16, ANSR = 1.0, BNSR = 1.0, CNSR = 0.0, EN = 2.0;
  double VSNL = 1e-20, VSNR = 1e-20, VSNT = 1e-20, VSNB = 1e-20;  // surface velocities
  double AUGP = 9.9e-32;   // Auger coefficient, holes
  double TAUP = 1e-7, NSRP = 5e16, APSR = 1.0, BPSR = 1.0, CPSR = 0.0, EP = 2.0;
  double VSPL = 1e-20, VSPR = 1e-20, VSPT = 1e-20, VSPB = 1e-20;
  double RATE = 1e-14;     // radiative recombination (RADI)
};

// Quantum correction: the exponents are the decimals as written, not thirds.
struct QUANTUM {
  double QMBE = 4.1e-8;
  double QMDE = 0.025;
  double QMPT = -0.3333;
  double QMPE = 0.6666;
};

// Gummel iteration: residual, counter and limit.
struct ITGUM {
  double RES = 0.01;
  int IT = 0;
  int ITMAX = 1000;
};

// Answer to the avalanche-breakdown question; "N" in batch runs.
struct COMPLT {
  char ANSWER = 'Y';
};

// I-V bookkeeping: the running point number and the total point count.
struct COMUIT {
  int IVCNT = 1;   // last recorded I-V point
  int unused2 = 0;
  int unused3 = 0;
  int NPTOT = 0;   // total number of I-V points of all curves (IVDA)
};

// Solver controls.
struct COMCTRL {
  double GRES = 0.01;  // Gummel tolerance factor
  int BATC = 0;        // 1 batch run, 2 solution file after every iteration
  int GSTAT = 0;       // status of the last Gummel iteration
  double GMIN = 1e12;  // generation floor, cm-3 s-1
  double DGEN = 0.001; // limit of the relative generation change
  double CRBD = 0.1;   // avalanche-breakdown current threshold
  double RELG = 1.0;
  double SMTH = 4.0;   // regridding smoothing
  int CNTN = 0;        // bias-sweep continuation
};

// Constant mobilities (CONM).
struct CUMCON {
  double UMN0 = 1000.0;
  double UMP0 = 500.0;
};

// Field- and doping-dependent mobility of electrons (YAMA 1-7).
struct CUMN {
  double UMN0 = 1400.0, SN = 350.0, RSN = 3e16, ALN = 1.54e-5, VSN = 1.036e7;
  double GN = static_cast<double>(8.8f);
  double VCN = 4.9e6;
};

// The same for holes (YAMA 8-14).
struct CUMP {
  double UMP0 = 480.0, SP = 81.0, RSP = 4e16, ALP = 5.35e-5, VSP = 1.2e7;
  double GP = static_cast<double>(1.6f);
  double VCP = 2.928e6;
};

// Surface mobility model (LOMB): electrons, then holes.
struct MOBKIB {
  double BN = 4.75e7, C0N = 1.74e5, CPON = 0.125, UON = 52.2, UMAN = 1417.0, ULN = 43.4,
         CRN = 9.68e16, CSN = 3.43e20, PCN = 0.0, ALPN = 0.68, BETN = 2.0, GAMN = 2.5,
         DELN = 5.82e14, DEPN = 2.0, BESN = 2.0, VSAN = 1.065e7;
  double BP = 9.93e7, C0P = 8.84e5, CPOP = 0.0317, UOP = 44.9, UMAP = 470.5, ULP = 29.0,
         CRP = 2.23e17, CSP = 6.1e20, PCP = 9.23e16, ALPP = 0.719, BETP = 2.0, GAMP = 2.2,
         DELP = 2.05e14, DEPP = 2.0, BESP = 1.0, VSAP = 1.065e7;
};

// Bipolar mobility model (BIPO): electrons, then holes.
struct MEDMOB {
  double UMNM = 55.24, UMNX = 1429.23, CRFN = 1.072e17, ECNM = 6.49e4, VSTN = 1.065e7,
         UNN = -2.3, XIN = -3.8, ALPN = 0.733, GSRN = 1.0, BETN = 2.0;
  double UMPM = 49.705, UMPX = 479.37, CRFP = 1.606e17, ECPM = 1.87e4, VSTP = 1.065e7,
         UNP = -2.2, XIP = -3.7, ALPP = 0.7, GSRP = 1.0, BETP = 1.0;
};

// Band-to-band tunnelling (BBTL); the last three fields are derived by the
// material set-up.
struct BANDBAND {
  double BBA = 3.5e21, BBE = 2.25e7, BBAS = 9e20, BBES = 2.1e7, EPHS = 0.0186;
  double BBP = 0.0;  // BBES*(EG + EPHS)^1.5
  double BBM = 0.0;  // BBES*(EG - EPHS)^1.5
  double FPH = 0.0;  // exp(EPHS)
};

// Impact ionisation: IONP (1-8), then IONE (9-22).
struct AVLN {
  double AN0 = 0.0, AN1 = 7e5, AN2 = 7e5, AN3 = 7e5, AP0 = 0.0, AP1 = 1.3e6, AP2 = 4.4e5,
         AP3 = 4.4e5;
  double EN0 = 0.0, EN1 = 4e5, EN2 = 6e5, BN0 = 0.0, BN1 = 1.4e6, BN2 = 1.4e6, BN3 = 1.4e6,
         EP0 = 0.0, EP1 = 6.07e5, EP2 = 6.07e5, BP0 = 0.0, BP1 = 2.09e6, BP2 = 1.4e6, BP3 = 1.4e6;
};

// File names, blank padded to 80 characters.
struct FILENAMES {
  std::array<std::string, 7> name = {
      sim::fixed("", 80), sim::fixed("MOS.MRG", 80), sim::fixed("", 80), sim::fixed("", 80),
      sim::fixed("", 80), sim::fixed("", 80),        sim::fixed("", 80)};
  std::string& solution() { return name[0]; }  // base + ".3D"
  std::string& doping() { return name[1]; }    // DOPN FILE
  std::string& iv_table() { return name[2]; }  // base + ".2D"
  std::string& base() { return name[3]; }      // deck name before its last "."
  std::string& mesh() { return name[4]; }      // base + ".MSS"
  std::string& title() { return name[6]; }     // run title (SOLV COMM until the first write)
};

// Texts of the run header (COMM); zero bytes until a COMM statement sets them.
struct HDRTEXT {
  std::string METH = std::string(8, '\0');
  std::string PROJ = std::string(30, '\0');
  std::string TIME = std::string(19, '\0');
};

static_assert(sizeof(RECOMB) == 33 * sizeof(double));
static_assert(sizeof(MOBKIB) == 32 * sizeof(double));
static_assert(sizeof(MEDMOB) == 20 * sizeof(double));
static_assert(sizeof(AVLN) == 22 * sizeof(double));

// Outlines of the electrodes and oxide regions, in microns, as the solution
// file carries them: electrodes first (in electrode order), then the oxide
// regions (in statement order).
inline constexpr int kOutlineCapacity = 20;
struct REGOUT {
  struct Point {
    double x = 0.0;
    double y = 0.0;
  };
  int NREG = 0;                                                // outlines in use
  std::array<std::array<Point, 4>, kOutlineCapacity> REGPTS{};  // four corners each
  std::array<int, kOutlineCapacity> REGNPT{};                  // points per outline (4)
  std::array<int, kOutlineCapacity> REGKND{};                  // outline kind (1)
};

// ---------------------------------------------------------------------------
// Tables built by the list statements.

inline constexpr int kListCapacity = 40;         // items of a buffered list
inline constexpr int kLightSourceCapacity = 11;  // light sources (LSRC)
inline constexpr int kOxideCapacity = 100;       // oxide regions (OXID)
inline constexpr int kRecombRegionCapacity = 100;  // recombination regions (RCMR)
inline constexpr int kRemeshCapacity = 20;       // regridding regions (REME)
inline constexpr int kMaxElectrodes = 20;        // electrodes an I-V curve can drive
inline constexpr int kElectrodeNameWidth = 20;

// Window and shape of one analytic box, shared by doping and generation boxes.
struct BoxFields {
  std::vector<double> XLFT, XRGT, YTOP, YBOT;  // window
  std::vector<double> ALX, ALY;                // lateral and vertical decay lengths
  std::vector<std::string> DFIL;               // profile file of a tabulated box
  std::vector<int> IWEL;                       // profile shape; negative: tabulated
  std::vector<double> EXPX, EXPY;              // shape exponents
  bool allocated = false;                      // a list can stand once in a deck
};

// Doping boxes (DOPA and DOPF items).
struct DOPBOX : BoxFields {
  int NDOP = 0;
  std::vector<double> DOP;
};

// Photogeneration boxes (PHOT and PHOF items).
struct PHOBOX : BoxFields {
  int NPHO = 0;
  std::vector<double> RATE;
};

// Electrodes (OHMI, SCHO and GATE items), one row per electrode.
struct ELECTAB {
  int NEL = 0;
  std::vector<std::string> NAME;  // 20 characters
  std::vector<int> TYPE;          // 1 ohmic, 2 Schottky, 3 gate
  std::vector<int> NUM;           // electrode number used by IVDA
  std::vector<int> LOC;           // 2 bottom surface, else top surface
  std::vector<double> XLT, XRT;   // lateral extent
  std::vector<double> TOX, XQS, AQS, QSH, QSG;  // gate oxide and interface charges
  std::vector<double> VSN, VSP;   // surface recombination velocities
  std::vector<double> FIM;        // gate work function (Schottky: barrier FIB)
  // Working arrays filled by the solution stages.
  std::vector<double> VCON, DV, CURN, CURP, CURT, VOLD, VCUR, COX;
  std::vector<int> EFIRST, ELAST;  // first and last mesh column covered
  // Column labels of the I-V table file.
  std::vector<std::string> VLAB, ILAB;  // 2 characters per electrode
  std::vector<std::string> RLAB;        // 3 characters per electrode
  std::vector<std::string> GLAB;        // 3 characters, NEL x NEL: (i-1)*NEL + j
  int MAXNUM = 0;                       // largest electrode number
  std::vector<int> ELIDX;               // row (1-based) of number 1..MAXNUM, 0 if none
  bool allocated = false;

  // Row of electrode number `num`, 0 when no electrode has it.
  int row_of(int num) const {
    return (num >= 1 && num <= MAXNUM) ? ELIDX[static_cast<std::size_t>(num - 1)] : 0;
  }
};

// I-V curves (IVDA items); their count is DeviceRun::NCURV.
struct CURVTAB {
  std::vector<std::string> TEXT;  // 80 characters
  std::vector<int> IRAMP;         // ELECTAB row (1-based) of the ramped electrode
  std::vector<int> NPNT;          // points of the curve
  std::vector<double> VSTE;       // voltage step
  std::vector<double> VSTART;     // NEL x NCURV start voltages: (c-1)*NEL + (row-1)
  bool allocated = false;
};

// Light sources (LSRC items) and their spectra.
struct LSRCTAB {
  int NLSRC = 0;
  std::vector<std::string> SFIL;  // spectrum file, 80 characters
  std::vector<int> NSPC;          // spectral lines counted in the file
  std::vector<int> ITLT;          // direction of incidence
  std::vector<double> XLFT, XRGT, YTOP, YBOT, FLUX, TRAN, REFL, TRFL;
  std::vector<double> spectral_lines;       // 6 reals per spectral line, all sources in order
  std::vector<double> GENW;       // generation work table, NLSRC x NY
  bool allocated = false;
};

// Oxide regions (OXID), every field an array over the regions.
struct OXIDE {
  template <class T>
  using PerRegion = std::array<T, kOxideCapacity>;
  int NOXR = 0;
  PerRegion<double> PMOX{};
  PerRegion<double> XLFT{}, XRGT{}, YTOP{}, YBOT{};
  PerRegion<double> QOXL{}, QOXR{}, QOXT{}, QOXB{};
  PerRegion<double> VNOL{}, VNOR{}, VNOT{}, VNOB{};
  PerRegion<double> VPOL{}, VPOR{}, VPOT{}, VPOB{};
  PerRegion<int> NXOX{}, NYOX{};
};

// Recombination regions (RCMR).
struct RCMRG {
  template <class T>
  using PerRegion = std::array<T, kRecombRegionCapacity>;
  int NRC = 0;
  PerRegion<double> XLFT{}, XRGT{}, YTOP{}, YBOT{};
  PerRegion<double> TNRR{}, TPRR{}, ETRR{};
  PerRegion<double> VNRL{}, VNRR{}, VNRT{}, VNRB{};
  PerRegion<double> VPRL{}, VPRR{}, VPRT{}, VPRB{};
};

// Regridding regions (REME).
struct REMCOM {
  template <class T>
  using PerRegion = std::array<T, kRemeshCapacity>;
  int NREM = 0;
  PerRegion<int> NXRM{}, NYRM{};
  PerRegion<double> XLFT{}, XRGT{}, YTOP{}, YBOT{};
};

}  // namespace devora
