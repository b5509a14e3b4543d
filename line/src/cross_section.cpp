#include "line/cross_section.hpp"

#include "host/literals.hpp"
#include "host/stubs.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace xt {

void drawCrossSection(const rt::Array& b, const rt::Array& dd, const rt::Array& hh) {
  using rt::Array;
  const Array zero = literal(Lit::Zero);
  const Array one = literal(Lit::One);
  const Array two = literal(Lit::Two);

  if (!rt::isTrue(byname::ishold())) {
    byname::figureSilent(one);
    byname::clfSilent();
  }
  // One column per conductor: x from left to right end, y at the conductor's height.
  const Array signalWidths = b(rt::colon(two, Array(static_cast<double>(b.endOf(1, 1)))));
  const Array& centres = rt::checkDefined(dd, "dd");
  const Array left = rt::horzcat({-b(one) / two, centres - signalWidths / two});
  const Array right = rt::horzcat({b(one) / two, centres + signalWidths / two});
  const Array& heights = rt::checkDefined(hh, "hh");
  const Array levels = rt::horzcat({zero, heights});
  Array Ctr =
      byname::line({rt::vertcat({left, right}), rt::vertcat({levels, levels}), literal(Lit::Color),
                    literal(Lit::Blue), literal(Lit::LineWidth), literal(Lit::Three)});

  // Margins: 5 % of the height range beyond a segment that lies on a y-limit.
  const Array allHeights = levels;
  const Array axx = byname::axisLimits();
  const Array three = literal(Lit::Three);
  const Array four = literal(Lit::Four);
  const Array range = rt::diff(axx(rt::colon(three, four)));
  const Array margin = rt::times(range, literal(Lit::Margin));
  if (rt::isTrue(rt::anyOf(rt::eq(allHeights, axx(four))))) {
    byname::setSilent(byname::gca(), literal(Lit::Ylim),
                      rt::horzcat({axx(three), axx(four) + margin}));
  }
  if (rt::isTrue(rt::anyOf(rt::eq(allHeights, axx(three))))) {
    byname::setSilent(byname::gca(), literal(Lit::Ylim),
                      rt::horzcat({axx(three) - margin, axx(four)}));
  }
  Ctr = literal(Lit::Empty);
  byname::axisDisplayed(literal(Lit::Equal));
  byname::grid(Array());
}

}  // namespace xt
