local function make(depth)
  if depth == 0 then return {left = nil, right = nil} end
  return {left = make(depth - 1), right = make(depth - 1)}
end

local function check(node)
  if node.left == nil then return 1 end
  return 1 + check(node.left) + check(node.right)
end

local maxDepth = 14
local stretch = maxDepth + 1
print(string.format("stretch tree of depth %d\t check: %d", stretch, check(make(stretch))))
local longLived = make(maxDepth)
for depth = 4, maxDepth, 2 do
  local iterations = 1 << (maxDepth - depth + 4)
  local sum = 0
  for i = 1, iterations do sum = sum + check(make(depth)) end
  print(string.format("%d\t trees of depth %d\t check: %d", iterations, depth, sum))
end
print(string.format("long lived tree of depth %d\t check: %d", maxDepth, check(longLived)))
