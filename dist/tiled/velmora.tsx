<?xml version="1.0" encoding="UTF-8"?>
<!-- SPDX-License-Identifier: MIT -->
<!-- The eight ground pictures of 3D Velmora as its viewer shows them, one
     64 by 32 tile each, with the ground code a map file gives them, and the
     empty ground's, which shows the viewer's background through it, with
     the code 0 that every other code reads as. -->
<tileset version="1.8" tiledversion="1.8.2" name="velmora" tilewidth="64" tileheight="32" tilecount="9" columns="9" backgroundcolor="#272727">
 <grid orientation="isometric" width="64" height="32"/>
 <image source="velmora.png" width="576" height="32"/>
 <tile id="0" type="terre">
  <properties>
   <property name="code" value="1"/>
  </properties>
 </tile>
 <tile id="1" type="herbe">
  <properties>
   <property name="code" value="2"/>
  </properties>
 </tile>
 <tile id="2" type="dalles">
  <properties>
   <property name="code" value="3"/>
  </properties>
 </tile>
 <tile id="3" type="roche">
  <properties>
   <property name="code" value="4"/>
  </properties>
 </tile>
 <tile id="4" type="sable">
  <properties>
   <property name="code" value="5"/>
  </properties>
 </tile>
 <tile id="5" type="eau">
  <properties>
   <property name="code" value="6"/>
  </properties>
 </tile>
 <tile id="6" type="lave">
  <properties>
   <property name="code" value="7"/>
  </properties>
 </tile>
 <tile id="7" type="test">
  <properties>
   <property name="code" value="8"/>
  </properties>
 </tile>
 <tile id="8" type="vide">
  <properties>
   <property name="code" value="0"/>
  </properties>
 </tile>
</tileset>
