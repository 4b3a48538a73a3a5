#include "refdata/materials.h"

namespace zelvaro {

namespace {
constexpr MaterialStrength Strengths[] = {
    {Material::SS, "SS系ﾎﾞﾙﾄ　仕上ﾀｲﾌﾟ", 176.5, 101.8, "SS系"},
    {Material::SUS, "SUS系ﾎﾞﾙﾄ　A2-50,70", 154.5, 89.2, "SUS系"},
};
} // namespace

const MaterialStrength *material_strength(Material m) {
  for (const MaterialStrength &x : Strengths)
    if (x.material == m)
      return &x;
  return nullptr;
}

void choose_material(SeismicCalcState &s, Material m) {
  if (const MaterialStrength *x = material_strength(m)) {
    s.ft = x->ft;
    s.fs = x->fs;
    s.BoltMaterial = m;
  }
}

} // namespace zelvaro
