#include "device/deck/tables.hpp"

#include <array>
#include <utility>

namespace devora {

namespace {

constexpr std::array<std::string_view, kStatementCount> kKeywords = {
    "BAND", "PERM", "WORK", "SRH",  "AUGE", "SURF", "CONM", "YAMA", "LOMB", "IONE", "IONP",
    "DOPN", "DOPA", "IVDA", "MESH", "SOLV", "MODE", "OHMI", "SCHO", "GATE", "BIPO", "PHOT",
    "RADI", "OXID", "QNTM", "DOPF", "PHOF", "BBTL", "RCMR", "REME", "COMM", "LSRC", "PARA"};

constexpr std::array<int, kStatementCount> kCounts = {
    9, 2, 2, 13, 2, 8, 2, 14, 32, 14, 8, 1, 12, 24, 7, 13, 5,
    6, 14, 14, 20, 12, 1, 20, 4, 12, 12, 7, 16, 7, 7, 11, 1};

constexpr std::array<std::string_view, kParameterCount> kNames = {
    // BAND
    "TEMP", "EG30", "EGAL", "EGBE", "ENC3", "ENV3", "VOBG", "CONB", "CNSB",
    // PERM, WORK
    "EPSD", "EPSS", "FIM", "FIS",
    // SRH
    "ETRA", "TAUN", "NSRN", "ANSR", "BNSR", "CNSR", "EN", "TAUP", "NSRP", "APSR", "BPSR", "CPSR", "EP",
    // AUGE
    "AUGN", "AUGP",
    // SURF
    "VSNL", "VSNR", "VSNT", "VSNB", "VSPL", "VSPR", "VSPT", "VSPB",
    // CONM
    "UMN0", "UMP0",
    // YAMA
    "UMN0", "SN", "RSN", "ALN", "VSN", "GN", "VCN", "UMP0", "SP", "RSP", "ALP", "VSP", "GP", "VCP",
    // LOMB
    "BN", "C0N", "CPON", "UON", "UMAN", "ULN", "CRN", "CSN", "PCN", "ALPN", "BETN", "GAMN", "DELN",
    "DEPN", "BESN", "VSAN", "BP", "C0P", "CPOP", "UOP", "UMAP", "ULP", "CRP", "CSP", "PCP", "ALPP",
    "BETP", "GAMP", "DELP", "DEPP", "BESP", "VSAP",
    // IONE
    "EN0", "EN1", "EN2", "BN0", "BN1", "BN2", "BN3", "EP0", "EP1", "EP2", "BP0", "BP1", "BP2", "BP3",
    // IONP
    "AN0", "AN1", "AN2", "AN3", "AP0", "AP1", "AP2", "AP3",
    // DOPN
    "FILE",
    // DOPA
    "DOP", "XLFT", "XRGT", "YTOP", "YBOT", "ALX", "ALY", "COMM", "DFIL", "IWEL", "EXPX", "EXPY",
    // IVDA
    "TEXT", "NUMC", "NPNT", "VSTE", "V1", "V2", "V3", "V4", "V5", "V6", "V7", "V8", "V9", "V10",
    "V11", "V12", "V13", "V14", "V15", "V16", "V17", "V18", "V19", "V20",
    // MESH
    "NX", "NY", "XX", "YY", "ZZ", "HY0", "MESH",
    // SOLV
    "COMM", "READ", "BATC", "GUMM", "GRES", "GMIN", "DGEN", "CRBD", "RELG", "SMTH", "PRNT", "CNTN",
    "IGRM",
    // MODE
    "ELHL", "HVDO", "IMPI", "IQM", "BBTL",
    // OHMI
    "NAME", "TYPE", "NUM", "LOC", "XLT", "XRT",
    // SCHO
    "NAME", "TYPE", "NUM", "LOC", "XLT", "XRT", "DUMMY1", "DUMMY2", "DUMMY3", "DUMMY4", "DUMMY5",
    "VSN", "VSP", "FIB",
    // GATE
    "NAME", "TYPE", "NUM", "LOC", "XLT", "XRT", "TOX", "XQS", "AQS", "QSH", "QSG", "VSN", "VSP", "FIM",
    // BIPO
    "UMNM", "UMNX", "CRFN", "ECNM", "VSTN", "UNN", "XIN", "ALPN", "GSRN", "BETN", "UMPM", "UMPX",
    "CRFP", "ECPM", "VSTP", "UNP", "XIP", "ALPP", "GSRP", "BETP",
    // PHOT
    "RATE", "XLFT", "XRGT", "YTOP", "YBOT", "ALX", "ALY", "COMM", "DFIL", "IWEL", "EXPX", "EXPY",
    // RADI
    "RATE",
    // OXID
    "PMOX", "XLFT", "XRGT", "YTOP", "YBOT", "QOXL", "QOXR", "QOXT", "QOXB", "VNOL", "VNOR", "VNOT",
    "VNOB", "VPOL", "VPOR", "VPOT", "VPOB", "COMM", "NXOX", "NYOX",
    // QNTM
    "QMBE", "QMDE", "QMPT", "QMPE",
    // DOPF
    "DOP", "XLFT", "XRGT", "YTOP", "YBOT", "ALX", "ALY", "COMM", "DFIL", "IWEL", "EXPX", "EXPY",
    // PHOF
    "RATE", "XLFT", "XRGT", "YTOP", "YBOT", "ALX", "ALY", "COMM", "DFIL", "IWEL", "EXPX", "EXPY",
    // BBTL
    "BBA", "BBE", "BBAS", "BBES", "EPHS", "4", "5",
    // RCMR
    "XLFT", "XRGT", "YTOP", "YBOT", "TNRR", "TPRR", "ETRR", "VNRL", "VNRR", "VNRT", "VNRB", "VPRL",
    "VPRR", "VPRT", "VPRB", "COMM",
    // REME
    "COMM", "NXRM", "NYRM", "XLFT", "XRGT", "YTOP", "YBOT",
    // COMM
    "METH", "PROJ", "TIME", "DUMM", "DUMM", "DUMM", "DUMM",
    // LSRC
    "SFIL", "NSPC", "ITLT", "XLFT", "XRGT", "YTOP", "YBOT", "FLUX", "TRAN", "REFL", "TRFL",
    // PARA
    "PARA"};

// (statement, parameter number within the statement) of the 21 texts.
constexpr std::array<std::pair<Statement, int>, 21> kTextParameters = {{
    {kDOPN, 1}, {kDOPA, 8}, {kDOPA, 9}, {kDOPF, 8}, {kDOPF, 9}, {kIVDA, 1}, {kSOLV, 1},
    {kOHMI, 1}, {kSCHO, 1}, {kGATE, 1}, {kPHOT, 8}, {kPHOT, 9}, {kPHOF, 8}, {kPHOF, 9},
    {kOXID, 18}, {kRCMR, 16}, {kREME, 1}, {kCOMM, 1}, {kCOMM, 2}, {kCOMM, 3}, {kLSRC, 1},
}};

}  // namespace

sim::StatementTable device_statement_table() {
  sim::StatementTable table;
  table.keywords.assign(kKeywords.begin(), kKeywords.end());
  table.counts.assign(kCounts.begin(), kCounts.end());
  table.names.assign(kNames.begin(), kNames.end());
  table.kinds.assign(kParameterCount, sim::kNumberKind);
  return table;
}

void mark_text_parameters(sim::StatementTable& table) {
  for (const auto& [statement, j] : kTextParameters) table.set_kind(statement, j, sim::kTextKind);
}

}  // namespace devora
