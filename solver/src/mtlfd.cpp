// Modal solution of the terminated lossless line, one frequency at a time.
//
// Along the line V(z) = Zz*(exp(-GAM z).*Ip + exp(GAM z).*Im) and
// I(z) = T*(exp(-GAM z).*Ip - exp(GAM z).*Im), with T and GAM^2 the eigenvectors and
// eigenvalues of Y*Z and Zz = Z*T*diag(1./GAM). The two terminal conditions
// V(0) = VS - ZS*I(0) and V(xL) = VL + ZL*I(xL) form one system of order 2*nc
// for the modal amplitudes [Ip; Im].
#include "solver/mtlfd.hpp"

#include <utility>

#include "host/literals.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {
namespace {

rt::Array sizeAlong(const rt::Array& x, Lit d) {
  return rt::size(x, dim(d));
}

// A termination in modal form, Zt*T, for frequency k: a page per frequency, a column
// per frequency read as a diagonal (only when nc differs from nf), or one matrix.
rt::Array modalTermination(const rt::Array& Zt, const char* name, std::size_t k,
                           const rt::Array& nc, const rt::Array& nf, const rt::Array& T) {
  rt::checkDefined(Zt, name);
  if (rt::isTrue(rt::gt(sizeAlong(Zt, Lit::Three), lit(Lit::One)))) {
    return Zt(rt::all, rt::all, k) * T;
  }
  if (rt::isTrue(rt::ne(nc, nf)) && rt::isTrue(rt::eq(sizeAlong(Zt, Lit::Two), nf))) {
    return rt::diag(Zt(rt::all, k)) * T;
  }
  return Zt * T;
}

MtlfdResult solve(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL, rt::Array ZL,
                  rt::Array C, rt::Array L, const detail::ModalHook* hook) {
  const rt::Array nf = rt::length(rt::checkDefined(f, "f"));
  const rt::Array nc = rt::size(rt::checkDefined(C, "C"), dim(Lit::One));
  const std::size_t nfCount = static_cast<std::size_t>(nf.scalar());
  const std::size_t ncCount = static_cast<std::size_t>(nc.scalar());

  // Series impedance and shunt admittance per unit length at every frequency, as
  // nc-by-nc pages: Z(:,:,k) = jw(k)*L, Y(:,:,k) = jw(k)*C.
  const rt::Array jw = lit(Lit::TwoPiI) * rt::ctranspose(f(rt::all));
  const rt::Array Z =
      rt::reshape(rt::checkDefined(L, "L")(rt::all) * jw, {ncCount, ncCount, nfCount});
  const rt::Array Y = rt::reshape(C(rt::all) * jw, {ncCount, ncCount, nfCount});

  rt::Array VNE = rt::zeros(nfCount, ncCount);
  rt::Array VFE = rt::zeros(nfCount, ncCount);

  // Sources given as nc-by-nf become nc-by-1-by-nf.
  if (rt::isTrue(rt::eq(sizeAlong(rt::checkDefined(VS, "VS"), Lit::Two), nf))) {
    VS = rt::permute(VS, lit(Lit::Perm132));
  }
  if (rt::isTrue(rt::eq(sizeAlong(rt::checkDefined(VL, "VL"), Lit::Two), nf))) {
    VL = rt::permute(VL, lit(Lit::Perm132));
  }
  // VSS and VLL are the sources at the current frequency; one page serves them all.
  rt::Array VSS;
  rt::Array VLL;
  if (rt::isTrue(rt::eq(sizeAlong(VS, Lit::Three), lit(Lit::One)))) {
    VSS = VS;
  }
  if (rt::isTrue(rt::eq(sizeAlong(VL, Lit::Three), lit(Lit::One)))) {
    VLL = VL;
  }
  const bool pagedVS = rt::isTrue(rt::gt(sizeAlong(VS, Lit::Three), lit(Lit::One)));
  const bool pagedVL = rt::isTrue(rt::gt(sizeAlong(VL, Lit::Three), lit(Lit::One)));

  const rt::Array onesColumn = rt::ones(ncCount, dim(Lit::One));
  const rt::Array onesRow = rt::ones(dim(Lit::One), ncCount);
  const rt::Array forward = rt::colon(lit(Lit::One), nc);
  const rt::Array backward = rt::colon(nc + lit(Lit::One), lit(Lit::Two) * nc);

  for (std::size_t k = 1; k <= nfCount; ++k) {
    rt::checkInterrupt();  // between frequencies
    const rt::Array Zk = Z(rt::all, rt::all, k);
    auto [T, GAM] = rt::eig(Y(rt::all, rt::all, k) * Zk);
    GAM = rt::sqrt(rt::diag(GAM));  // propagation constants, principal roots
    if (hook != nullptr) {
      (*hook)(k, T, GAM);
    }
    const rt::Array& lineLength = rt::checkDefined(xL, "xL");
    const rt::Array EP = rt::exp(GAM * lineLength);
    const rt::Array EN = rt::exp(-GAM * lineLength);
    GAM = rt::rdivide(lit(Lit::One), GAM);
    // Column m of Zz is column m of Z*T over the m-th propagation constant.
    const rt::Array Zz = rt::times(Zk * T, onesColumn * rt::transpose(GAM));

    const rt::Array ZST = modalTermination(ZS, "ZS", k, nc, nf, T);
    const rt::Array ZLT = modalTermination(ZL, "ZL", k, nc, nf, T);
    const rt::Array A11 = Zz + ZST;
    const rt::Array A12 = Zz - ZST;
    const rt::Array A21 = rt::times(Zz - ZLT, onesColumn * rt::transpose(EN));
    const rt::Array A22 = rt::times(Zz + ZLT, onesColumn * rt::transpose(EP));
    const rt::Array A = rt::vertcat({rt::horzcat({A11, A12}), rt::horzcat({A21, A22})});

    if (pagedVS) {
      VSS = VS(rt::all, rt::all, k);
    }
    if (pagedVL) {
      VLL = VL(rt::all, rt::all, k);
    }
    const rt::Array B = rt::mldivide(
        A, rt::vertcat({rt::checkDefined(VSS, "VSS", false), rt::checkDefined(VLL, "VLL", false)}));
    const rt::Array Ip = B(forward);
    const rt::Array Im = B(backward);

    // Zz*(Ip + Im) and Zz*(EN.*Ip + EP.*Im), laid out as rows.
    const rt::Array ZzT = rt::transpose(Zz);
    VNE.assign({k, rt::all}, rt::sum(rt::times(ZzT, (Ip + Im) * onesRow)));
    VFE.assign({k, rt::all},
               rt::sum(rt::times(ZzT, (rt::times(EN, Ip) + rt::times(EP, Im)) * onesRow)));
  }
  return {std::move(VNE), std::move(VFE)};
}

}  // namespace

MtlfdResult mtlfdBody(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL,
                      rt::Array ZL, rt::Array C, rt::Array L) {
  return solve(std::move(f), std::move(xL), std::move(VS), std::move(ZS), std::move(VL),
               std::move(ZL), std::move(C), std::move(L), nullptr);
}

namespace detail {

MtlfdResult mtlfdWithModalHook(rt::Array f, rt::Array xL, rt::Array VS, rt::Array ZS, rt::Array VL,
                               rt::Array ZL, rt::Array C, rt::Array L, const ModalHook& hook) {
  return solve(std::move(f), std::move(xL), std::move(VS), std::move(ZS), std::move(VL),
               std::move(ZL), std::move(C), std::move(L), &hook);
}

}  // namespace detail
}  // namespace xt
