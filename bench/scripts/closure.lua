local function makeCounter()
  local count = 0
  return function()
    count = count + 1
    return count
  end
end
local bump = makeCounter()
local last = 0
for i = 1, 1000000 do
  last = bump()
end
print(last)
