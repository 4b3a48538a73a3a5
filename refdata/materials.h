#pragma once

#include "engine/seismic_calc_state.h"

#include <string_view>

namespace zelvaro {

struct MaterialStrength {
  Material material;
  std::string_view caption; // caption of the option button
  double ft;                // tensile reference strength, MPa
  double fs;                // shear reference strength, MPa
  std::string_view name;    // short name in advice ("SS系")
};

// SS and SUS; null for Material::None.
const MaterialStrength *material_strength(Material m);

// Choosing a material: ft and fs first, then BoltMaterial.
void choose_material(SeismicCalcState &s, Material m);

} // namespace zelvaro
