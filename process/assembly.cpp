#include "process/assembly.hpp"

#include <algorithm>
#include <cstddef>

namespace tavik {
namespace {

// Threshold of the interface transport coefficient below which the dopant
// (boron) crosses the moving interface with a finite rate.
constexpr float kFreeTransport = 0.1f;

// Dc and Dx of one cell face.
struct Face {
  float Dc = 0.0f;
  float Dx = 0.0f;
};

// The faces of one node.
struct NodeFaces {
  Face N, S, W, E;
};

// Geometric factors of the faces of one row; 0 marks a face that does not
// exist (or carries no silicon), which then contributes nothing.
struct FaceFactors {
  float N = 0.0f, S = 0.0f, W = 0.0f, E = 0.0f;
};

class Assembler {
 public:
  Assembler(const AssemblyMesh& mesh, const SurfaceState& surface, const DopantLevels& c,
            float XD, float dt, const DopantParams& p, std::span<const float> L,
            const DiffusionSystem& sys, const SouthFaceStore& south)
      : m_(mesh), s_(surface), c_(c), XD_(XD), dt_(dt), p_(p), L_(L), sys_(sys), south_(south),
        NX_(mesh.NX) {}

  void run() {
    for (int j = 1; j <= m_.NY; ++j) {
      Face held_east;
      for (int i = 1; i <= m_.NX; ++i) {
        const std::size_t n = node(i, j);
        const NodeFaces f = faces(i, j, n, held_east);
        south_.Dc[i - 1] = f.S.Dc;
        south_.Dx[i - 1] = f.S.Dx;
        held_east = f.E;
        MATRX2D(i, j, n, j == 1 && in_window(i), f);
      }
    }
  }

 private:
  std::size_t node(int i, int j) const {
    return std::size_t(i - 1) + std::size_t(j - 1) * std::size_t(NX_);
  }

  // Surface-source window: positive XD selects x < XD, negative x > |XD|.
  bool in_window(int i) const {
    const float x = m_.x[i - 1];
    return (XD_ > 0.0f && x < XD_) || (XD_ < 0.0f && x > std::abs(XD_));
  }

  // Diffusivities at the face between nodes n and k, from the mean of both
  // nodes at both time levels, with the OED factor of node n.
  Face face(std::size_t n, std::size_t k) const {
    const float own = 0.25f * (c_.C[n] + c_.C[k] + c_.C_old[n] + c_.C_old[k]);
    const float o1 = 0.25f * (c_.O1[n] + c_.O1[k] + c_.O1_old[n] + c_.O1_old[k]);
    const float o2 = 0.25f * (c_.O2[n] + c_.O2[k] + c_.O2_old[n] + c_.O2_old[k]);
    const FaceDiffusivity d = NIFACT(own, o1, o2, L_[n], p_);
    return {d.Dc, d.Dx};
  }

  // Faces of node n; a face is computed once by one of its nodes and reused
  // by the other, except those between rows 1, 2 and columns 1, 2.
  NodeFaces faces(int i, int j, std::size_t n, const Face& held_east) const {
    NodeFaces f;
    if (j == 2) {
      f.N = face(n, n - NX_);
    } else if (j >= 3) {
      f.N = {south_.Dc[i - 1], south_.Dx[i - 1]};
    }
    if (i == 2) {
      f.W = face(n, n - 1);
    } else if (i >= 3) {
      f.W = held_east;
    }
    if (j < m_.NY) f.S = face(n, n + NX_);
    if (i < m_.NX) f.E = face(n, n + 1);
    return f;
  }

  // Net donor share of the two other dopants at node k.
  float net_other(std::size_t k) const { return p_.c2 * c_.O1[k] + p_.c3 * c_.O2[k]; }

  // Sum over the present faces of Dx * factor * (Y(m) - Y(n)).
  float cross_terms(std::size_t n, const NodeFaces& f, const FaceFactors& g) const {
    const float Yn = net_other(n);
    float sum = 0.0f;
    if (g.E != 0.0f) sum = sum + f.E.Dx * g.E * (net_other(n + 1) - Yn);
    if (g.S != 0.0f) sum = sum + f.S.Dx * g.S * (net_other(n + NX_) - Yn);
    if (g.N != 0.0f) sum = sum - f.N.Dx * g.N * (Yn - net_other(n - NX_));
    if (g.W != 0.0f) sum = sum - f.W.Dx * g.W * (Yn - net_other(n - 1));
    return sum;
  }

  float hy(int j) const { return j < m_.NY ? m_.y[j] - m_.y[j - 1] : 0.0f; }
  // Lower and upper face of row j.
  float lower_face(int j) const { return m_.y[j - 1] + hy(j) / 2.0f; }
  float upper_face(int j) const { return j == 1 ? 0.0f : m_.y[j - 1] - hy(j - 1) / 2.0f; }

  void fixed_row(std::size_t n) {
    sys_.C0[n] = 1.0f;
    sys_.R[n] = c_.C[n];
  }

  // Couplings, diagonal and right-hand side of a row whose storage term is
  // `storage` (area / dt) and whose old content is `old` (area * C / dt).
  void balance_row(std::size_t n, const NodeFaces& f, const FaceFactors& g, float storage,
                   float old) {
    sys_.CMNX[n] = f.N.Dc * g.N;
    sys_.CPNX[n] = f.S.Dc * g.S;
    sys_.CM1[n] = f.W.Dc * g.W;
    sys_.CP1[n] = f.E.Dc * g.E;
    sys_.C0[n] = sys_.CMNX[n] + sys_.CPNX[n] + sys_.CM1[n] + sys_.CP1[n] + storage;
    sys_.R[n] = old - cross_terms(n, f, g);
  }

  void interior_row(int i, int j, std::size_t n, const NodeFaces& f) {
    const FaceFactors g{m_.F[n], m_.E[n], m_.G[n], m_.H[n]};
    const float area = m_.wx[i - 1] * m_.wy[j - 1];
    balance_row(n, f, g, area / dt_, area * c_.C_old[n] / dt_);
  }

  // Lateral factor towards column k (i+1 or i-1) through the face with the
  // inverse spacing rh, in the consumed layer: only the silicon part.
  float consumed_lateral(int k, int j, float yb, float rh) const {
    const int jk = s_.js[k - 1];
    if (jk > j) return 0.0f;
    if (jk == j) return (yb - s_.y0[k - 1]) * rh;
    return m_.wy[j - 1] * rh;
  }

  // Row of the layer consumed since the start of the oxidation.
  void MATRXB(int i, int j, std::size_t n, const NodeFaces& f) {
    const float yb = lower_face(j);
    const float wx = m_.wx[i - 1];
    FaceFactors g;
    g.N = wx * m_.rhy[j - 2];
    if (j < m_.NY) g.S = wx * m_.rhy[j - 1];
    if (i < m_.NX) g.E = consumed_lateral(i + 1, j, yb, m_.rhx[i - 1]);
    if (i > 1) g.W = consumed_lateral(i - 1, j, yb, m_.rhx[i - 2]);
    const float area = wx * m_.wy[j - 1];
    balance_row(n, f, g, area / dt_, area * c_.C_old[n] / dt_);
  }

  // Lateral factor of a surface row towards column k: the silicon height
  // of the face below the deeper of the two surfaces.
  float surface_lateral(int i, int k, int j, float yb, float rh) const {
    const int jk = s_.js[k - 1];
    if (jk > j) return 0.0f;
    const float y0 = s_.y0[i - 1];
    const float M = jk < j ? y0 : std::max(y0, s_.y0[k - 1]);
    return (yb - M) * rh;
  }

  // Surface row: the partial cell below the moving surface.
  void MATRXA(int i, int j, std::size_t n, const NodeFaces& f) {
    const float y0 = s_.y0[i - 1], y0o = s_.y0o[i - 1];
    const float wx = m_.wx[i - 1];
    const float tf = transport_factor(p_, dt_, y0, y0o);
    const float yb = lower_face(j);
    const float A = (yb - y0) * wx;
    FaceFactors g;
    g.S = wx * m_.rhy[j - 1];
    if (i < m_.NX) g.E = surface_lateral(i, i + 1, j, yb, m_.rhx[i - 1]);
    if (i > 1) g.W = surface_lateral(i, i - 1, j, yb, m_.rhx[i - 2]);

    float X = c_.C_old[n];
    const float yt = upper_face(j);
    if (j != s_.jso[i - 1] && yt > y0)
      X = (m_.wy[j - 1] * c_.C_old[n] + (yt - y0) * c_.C_old[n - NX_]) / (yb - y0);
    const float Q = MATRXC(m_, s_, c_.C_old, i, p_.g, tf);

    sys_.CPNX[n] = f.S.Dc * g.S;
    sys_.CP1[n] = f.E.Dc * g.E;
    sys_.CM1[n] = f.W.Dc * g.W;
    sys_.C0[n] = sys_.CPNX[n] + sys_.CP1[n] + sys_.CM1[n] +
                 (A - p_.sigma * p_.g * tf * wx * (y0 - y0o)) / dt_;
    sys_.R[n] = ((1.0f - p_.sigma) * Q + A * X) / dt_ - cross_terms(n, f, g);
  }

  void MATRX2D(int i, int j, std::size_t n, bool window, const NodeFaces& f) {
    sys_.CMNX[n] = sys_.CPNX[n] = sys_.CM1[n] = sys_.CP1[n] = 0.0f;
    const int js = s_.js[i - 1];
    if (window || j < js) {
      fixed_row(n);
    } else if (j > s_.JSMAX) {
      interior_row(i, j, n, f);
    } else if (j == js && js == m_.NY) {
      fixed_row(n);
    } else if (j == js) {
      MATRXA(i, j, n, f);
    } else {
      MATRXB(i, j, n, f);
    }
  }

  const AssemblyMesh& m_;
  const SurfaceState& s_;
  const DopantLevels& c_;
  float XD_, dt_;
  const DopantParams& p_;
  std::span<const float> L_;
  const DiffusionSystem& sys_;
  const SouthFaceStore& south_;
  int NX_;
};

}  // namespace

float transport_factor(const DopantParams& p, float dt, float y0, float y0o) {
  if (p.lambda >= kFreeTransport) return 1.0f;
  // A surface that did not move exchanges nothing: the factor is 1 (the
  // formula would give 0/0 for a vanishing transport coefficient).
  if (y0 == y0o) return 1.0f;
  return p.lambda * dt / (p.lambda * dt + y0 - y0o);
}

float MATRXC(const AssemblyMesh& m, const SurfaceState& s, std::span<const float> C_old, int i,
             float g, float f) {
  const float y0 = s.y0[i - 1], y0o = s.y0o[i - 1];
  if (y0 == y0o) return 0.0f;
  const int j = s.js[i - 1], jso = s.jso[i - 1];
  // A surface moving up (never produced by the thermal step) consumes nothing.
  if (j < jso || y0 < y0o) return 0.0f;
  const std::size_t NX = std::size_t(m.NX);
  auto Cold = [&](int k) { return C_old[std::size_t(i - 1) + std::size_t(k - 1) * NX]; };
  auto hy = [&](int k) { return m.y[k] - m.y[k - 1]; };
  const float yt = j == 1 ? 0.0f : m.y[j - 1] - hy(j - 1) / 2.0f;

  float Qp;
  if (j == jso) {
    Qp = (y0 - y0o) * Cold(j);
  } else if (j == jso + 1) {
    Qp = y0 > yt ? (yt - y0o) * Cold(jso) + (y0 - yt) * Cold(j) : (y0 - y0o) * Cold(jso);
  } else {
    const float ybo = m.y[jso - 1] + hy(jso) / 2.0f;
    Qp = (ybo - y0o) * Cold(jso);
    for (int k = jso + 1; k <= j - 2; ++k) Qp = Qp + m.wy[k - 1] * Cold(k);
    if (y0 > yt) {
      Qp = Qp + m.wy[j - 2] * Cold(j - 1) + (y0 - yt) * Cold(j);
    } else {
      const float ytp = m.y[j - 2] - hy(j - 2) / 2.0f;
      Qp = Qp + (y0 - ytp) * Cold(j - 1);
    }
  }
  return g * m.wx[i - 1] * f * Qp;
}

void ASSEMB(const AssemblyMesh& mesh, const SurfaceState& surface, const DopantLevels& c,
            float XD, float dt, const DopantParams& p, std::span<const float> L,
            const DiffusionSystem& sys, const SouthFaceStore& south) {
  Assembler(mesh, surface, c, XD, dt, p, L, sys, south).run();
}

}  // namespace tavik
