#pragma once
// The two kinds of doping file the device simulator reads, mapped onto its
// tensor mesh (node n = i + j*nx for column i and row j, both 0-based):
//  - a text depth profile (records of depth in microns and concentration in
//    cm-3), laid across every mesh row;
//  - a field file of the DOP3D layout, as the process simulator writes it,
//    whose donor and acceptor blocks are mapped onto every node.
// Both interpolate the logarithm of the concentration, so profiles that
// span decades keep their shape between the file's points.
//
// File names are the 80-character blank-padded fields of the deck; the file
// opened (read-only) is the name without its trailing blanks, and the stop
// messages end in the full 80-character field.
#include <span>
#include <string>

namespace devora {

// RDASCDOP: fills out (at least nx * y.size() values) with the text depth
// profile of file_name. Depths are converted to internal lengths (divided by
// ldum) and shifted so that the first one lies at ytop; concentrations are
// divided by ni_ref. Row j (at depth y(j)) takes the log-interpolated profile
// value there: rows above the first depth take the first concentration,
// rows below the last depth the last one; every node of the row gets it. An
// all-negative profile (acceptors) is interpolated in magnitude and stays
// negative. A one-record profile gives a constant.
// Stops with " Check ASCII doping file " + name when the file cannot be
// opened, holds no record, has a record that is not two numbers, its
// depths do not strictly increase (also once scaled), or a concentration
// lies beyond the solvers' range once divided by ni_ref; with
// " Concentration change sign in doping file " + name when the profile has
// both signs; with " Not enough memory for A-DOPING " when the work arrays
// cannot be had.
void RDASCDOP(std::span<double> out, const std::string& file_name, int nx, std::span<const double> y,
              double ytop, double ni_ref, double ldum);

// RDDOP3D: reads the DOP3D field file file_name and maps its third block
// (donor) and fourth block (acceptor), in cm-3, onto the device mesh given
// in microns (x_um: columns, y_um: rows) by log interpolation; both outputs
// hold at least x_um.size() * y_um.size() values. Mesh points outside the
// file's mesh take the values of its nearest edge column or row. Files with
// region records (as the process simulator writes them) are read; bytes
// after the record are ignored.
// Stops with " Check input doping file " + name when the file cannot be
// opened or decoded (shorter than its record, inconsistent counts, node
// masks holding other than "T" and "F"), has fewer than four blocks,
// coordinates that do not strictly increase, or
// donor or acceptor values that are not finite numbers within the solvers'
// range once divided by ni_ref; with " Not enough memory for doping arrays"
// when the work arrays cannot be had.
void RDDOP3D(const std::string& file_name, std::span<double> donor, std::span<double> acceptor,
             std::span<const double> x_um, std::span<const double> y_um, double ni_ref);

}  // namespace devora
