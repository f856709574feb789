# kuvora-cli's own code laid out in the order a read runs it
# (app/cli/read-order.txt, written by tools/function_order.py): a fresh
# process pays for every page of code it touches, and a read's few hundred
# functions then share a few dozen pages instead of being spread over the
# program. Each function gets a section of its own (-ffunction-sections) and
# gold places the listed ones together. Not with the sanitizers or the fuzz
# build, nor where gold is missing: the programs are then linked as usual.
option(KUVORA_ORDER_FUNCTIONS "Lay out kuvora-cli's code in the order a read runs it (gold)" ON)
set(KUVORA_FUNCTION_ORDER ${PROJECT_SOURCE_DIR}/app/cli/read-order.txt)
set(KUVORA_ORDERED_LINK_OPTIONS)
if(KUVORA_ORDER_FUNCTIONS AND NOT KUVORA_SANITIZE AND NOT KUVORA_FUZZ)
  include(CheckLinkerFlag)
  check_linker_flag(CXX "-fuse-ld=gold" KUVORA_HAVE_GOLD)
  if(KUVORA_HAVE_GOLD)
    add_compile_options(-ffunction-sections)
    set(KUVORA_ORDERED_LINK_OPTIONS -fuse-ld=gold "LINKER:--section-ordering-file=${KUVORA_FUNCTION_ORDER}")
  endif()
endif()

# Links `target` in that order, and again whenever the list changes.
function(kuvora_order_functions target)
  if(KUVORA_ORDERED_LINK_OPTIONS)
    target_link_options(${target} PRIVATE ${KUVORA_ORDERED_LINK_OPTIONS})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${KUVORA_FUNCTION_ORDER})
  endif()
endfunction()
