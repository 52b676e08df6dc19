#pragma once
// What is anchored to cells: drawings (pictures, charts), notes and their VML shapes.
#include <string>

#include "ooxml/reference_shifter.h"

namespace tallyvane::ooxml {

// Each returns the new bytes of the part, or "" when nothing changed.
// Drawing anchors: twoCellAnchor ends follow the cell rule (editAs="oneCell"
// moves without resizing, "absolute" stays), oneCellAnchor moves.
std::string ShiftDrawingAnchors(const std::string& bytes, const Insertion& ins, const std::string& file,
                                const std::string& part);

// The cells that notes (comments, threaded comments) belong to.
std::string ShiftCommentReferences(const std::string& bytes, const Insertion& ins, const std::string& file,
                                   const std::string& part);

// Legacy note shapes: <x:Row>, <x:Column> and <x:Anchor> (zero-based).
std::string ShiftVmlAnchors(const std::string& bytes, const Insertion& ins);

}  // namespace tallyvane::ooxml
